# Many short expression statements per iteration, two of them without effect.
N = 15000000


def main():
    a, b, c, d, e, f, g, h = 0, 0, 0, 0, 0, 0, 0, 0
    for i in range(N):
        a = a + 1
        b = b + a
        c = c + b + 1
        a + b
        d = d + 3 * a + 2 * b + c
        e = i * 2 + 1
        f = e - i - i
        g = g + f
        h = (a + b) * 2 - c
        a = a - a // 4096 * 4096
        b = b - b // 8192 * 8192
        c = c - c // 65536 * 65536
        d = d - d // 1000003 * 1000003
        h * 2
        g = g + h - h
    print(a, b, c, d, e, f, g, h)


main()
