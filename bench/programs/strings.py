# Strings: build eight-letter words by concatenation and compare them.
# Words stay short, so memory stays small however long the loop runs.
N = 10000000


def main():
    x, length, less, same = 1, 0, 0, 0
    w, prev, best, worst, pair = "", "", "", "zzzzzzzzz", ""
    for i in range(N):
        x = x * 1103 + 12345
        x = x - x // 65536 * 65536
        k = x // 4096
        if k < 5:
            w = w + "a"
        elif k < 9:
            w = w + "b"
        elif k < 14:
            w = w + "c"
        else:
            w = w + "d"
        length = length + 1
        if length == 8:
            if w > best:
                best = w
            if w < worst:
                worst = w
            if w <= prev:
                less = less + 1
            pair = prev + w
            if pair < "abc" or w == prev:
                same = same + 1
            prev = w
            w = ""
            length = 0
    print(best, worst, less, same, pair)


main()
