# Nested loops: primes below N by trial division, without a remainder operator.
N = 850000


def main():
    count, total = 0, 0
    for i in range(2, N):
        isp = 1
        d = 2
        while isp and d * d <= i:
            if i - i // d * d == 0:
                isp = 0
            d = d + 1
        if isp:
            count = count + 1
            total = total + i
            if total >= 1000000007:
                total = total - 1000000007
    print(count, total)


main()
