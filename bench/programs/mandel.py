# Real arithmetic: escape-time counts over N frames of an 80 x 80 grid.
# Every coordinate is a short binary fraction and the iteration cap is low,
# so single and double precision give the same counts.
N = 560


def main():
    maxit = 24
    total, inside = 0, 0
    for f in range(N):
        for y in range(80):
            for x in range(80):
                cr = x * 0.03125 - 2.0 + f * 0.0009765625
                ci = y * 0.03125 - 1.25 + f * 0.00048828125
                zr, zi = 0.0, 0.0
                it = 0
                while it < maxit and zr * zr + zi * zi <= 4.0:
                    t = zr * zr - zi * zi + cr
                    zi = 2 * zr * zi + ci
                    zr = t
                    it = it + 1
                total = total + it
                if it == maxit:
                    inside = inside + 1
    print(total, inside)


main()
