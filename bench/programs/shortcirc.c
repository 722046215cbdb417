/* Short-circuit conditions: chains of and/or, some guarding a division. */
#include <stdio.h>

static volatile int N = 14000000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int x = 1, h1 = 0, h2 = 0, h3 = 0, h4 = 0;
    for (int i = 0; i < n; i = i + 1) {
        x = x * 1103 + 12345;
        x = x - x / 65536 * 65536;
        int a = x / 256;
        int b = x - x / 256 * 256;
        if ((a > 128 && b < 64) || (a < 32 && b > 200) || !(a - b)) h1 = h1 + 1;
        if (b != 0 && a / b > 3) h2 = h2 + 1;
        if (a == 0 || (b / a < 2 && !(b == 0))) h3 = h3 + 1;
        if ((a > 10 && b > 10 && a + b < 300 && a != b) || a == 7 || b == 7) h4 = h4 + 1;
    }
    printf("%d %d %d %d\n", h1, h2, h3, h4);
    return 0;
}
