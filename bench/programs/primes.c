/* Nested loops: primes below N by trial division, without a remainder operator. */
#include <stdio.h>

static volatile int N = 850000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int count = 0, sum = 0;
    for (int i = 2; i < n; i = i + 1) {
        int isp = 1;
        for (int d = 2; isp && d * d <= i; d = d + 1)
            if (i - i / d * d == 0) isp = 0;
        if (isp) {
            count = count + 1;
            sum = sum + i;
            if (sum >= 1000000007) sum = sum - 1000000007;
        }
    }
    printf("%d %d\n", count, sum);
    return 0;
}
