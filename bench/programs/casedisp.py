# Case dispatch in a loop: a pseudo-random selector picks one of ten variants.
# The chain tests the labels in the order the case statement does.
N = 20000000


def main():
    x, a, b, c, d, e = 1, 0, 0, 0, 0, 0
    for i in range(N):
        x = x * 1103 + 12345
        x = x - x // 65536 * 65536
        op = x // 16 - x // 16 // 10 * 10
        if op == 0:
            a = a + 1
        elif op == 1:
            b = b + 3
        elif op == 2 or op == 3:
            c = c + x // 4096
        elif op == 4:
            a = a + 2
            d = d + 2
        elif op == 5 or op == 6 or op == 7:
            d = d + 1
        elif op == 8:
            e = e + i - i // 7 * 7
        elif op == 9:
            b = b + 1
            e = e + 1
    print(a, b, c, d, e)


main()
