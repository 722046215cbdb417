/* Integer while-loop: a linear congruential sequence reduced by hand. */
#include <stdio.h>

static volatile int N = 40000000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int i = 0, x = 1, low = 0;
    while (i < n) {
        x = x * 13 + 7;
        x = x - x / 1000003 * 1000003;
        if (x < 500000) low = low + 1;
        i = i + 1;
    }
    printf("%d %d\n", x, low);
    return 0;
}
