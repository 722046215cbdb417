# Short-circuit conditions: chains of and/or, some guarding a division.
N = 14000000


def main():
    x, h1, h2, h3, h4 = 1, 0, 0, 0, 0
    for i in range(N):
        x = x * 1103 + 12345
        x = x - x // 65536 * 65536
        a = x // 256
        b = x - x // 256 * 256
        if a > 128 and b < 64 or a < 32 and b > 200 or not (a - b):
            h1 = h1 + 1
        if b != 0 and a // b > 3:
            h2 = h2 + 1
        if a == 0 or b // a < 2 and not (b == 0):
            h3 = h3 + 1
        if a > 10 and b > 10 and a + b < 300 and a != b or a == 7 or b == 7:
            h4 = h4 + 1
    print(h1, h2, h3, h4)


main()
