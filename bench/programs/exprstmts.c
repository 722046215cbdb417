/* Many short expression statements per iteration, two of them without effect. */
#include <stdio.h>

static volatile int N = 15000000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int a = 0, b = 0, c = 0, d = 0, e = 0, f = 0, g = 0, h = 0;
    for (int i = 0; i < n; i = i + 1) {
        a = a + 1;
        b = b + a;
        c = c + b + 1;
        (void)(a + b);
        d = d + 3 * a + 2 * b + c;
        e = i * 2 + 1;
        f = e - i - i;
        g = g + f;
        h = (a + b) * 2 - c;
        a = a - a / 4096 * 4096;
        b = b - b / 8192 * 8192;
        c = c - c / 65536 * 65536;
        d = d - d / 1000003 * 1000003;
        (void)(h * 2);
        g = g + h - h;
    }
    printf("%d %d %d %d %d %d %d %d\n", a, b, c, d, e, f, g, h);
    return 0;
}
