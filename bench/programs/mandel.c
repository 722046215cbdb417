/* Real arithmetic: escape-time counts over N frames of an 80 x 80 grid.
   REAL is float, as the reals of our language; building with -DREAL=double
   checks that the counts do not depend on the precision. */
#include <stdio.h>

#ifndef REAL
#define REAL float
#endif

static volatile int N = 560; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    const int maxit = 24;
    const REAL step = 0.03125, left = 2.0, bottom = 1.25, shiftR = 0.0009765625,
               shiftI = 0.00048828125, limit = 4.0;
    int total = 0, inside = 0;
    for (int f = 0; f < n; f = f + 1)
        for (int y = 0; y < 80; y = y + 1)
            for (int x = 0; x < 80; x = x + 1) {
                REAL cr = x * step - left + f * shiftR;
                REAL ci = y * step - bottom + f * shiftI;
                REAL zr = 0, zi = 0;
                int it = 0;
                while (it < maxit && zr * zr + zi * zi <= limit) {
                    REAL t = zr * zr - zi * zi + cr;
                    zi = 2 * zr * zi + ci;
                    zr = t;
                    it = it + 1;
                }
                total = total + it;
                if (it == maxit) inside = inside + 1;
            }
    printf("%d %d\n", total, inside);
    return 0;
}
