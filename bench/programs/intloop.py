# Integer while-loop: a linear congruential sequence reduced by hand.
N = 40000000


def main():
    i, x, low = 0, 1, 0
    while i < N:
        x = x * 13 + 7
        x = x - x // 1000003 * 1000003
        if x < 500000:
            low = low + 1
        i = i + 1
    print(x, low)


main()
