/* Assignment chains. In our language "a = b = c" stores b into a, then c into a
   (b is left as it was), converting to a's type each time; every store of a chain
   is written out here one by one, in that order. */
#include <stdio.h>

static volatile int N = 17000000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int a = 1, b = 2, c = 3, d = 4, s = 0, k = 0;
    float r = 0.5f;
    for (int i = 0; i < n; i = i + 1) {
        a = b; a = c + i;                   /* a = b = c + i */
        b = c; b = a - b;                   /* b = c = a - b */
        c = d; d = d + 1; c = d;            /* c = d = (d = d + 1) */
        d = d - d / 1000 * 1000;
        a = b; a = b;                       /* a = b = a = b */
        k = (int)r; k = a - c;              /* k = r = a - c */
        r = (float)k; r = (float)i;         /* r = k = i */
        a = b; a = d; s = s + a;            /* s = s + (a = b = d) */
        s = s - s / 999983 * 999983;
    }
    printf("%d %d %d %d %d %d\n", a, b, c, d, k, s);
    return 0;
}
