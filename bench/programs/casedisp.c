/* Case dispatch in a loop: a pseudo-random selector picks one of ten variants. */
#include <stdio.h>

static volatile int N = 20000000; /* volatile: the size is not folded into the code */

int main(void) {
    const int n = N;
    int x = 1, a = 0, b = 0, c = 0, d = 0, e = 0;
    for (int i = 0; i < n; i = i + 1) {
        x = x * 1103 + 12345;
        x = x - x / 65536 * 65536;
        int op = x / 16 - x / 16 / 10 * 10;
        switch (op) {
        case 0: a = a + 1; break;
        case 1: b = b + 3; break;
        case 2: case 3: c = c + x / 4096; break;
        case 4: a = a + 2; d = d + 2; break;
        case 5: case 6: case 7: d = d + 1; break;
        case 8: e = e + i - i / 7 * 7; break;
        case 9: b = b + 1; e = e + 1; break;
        }
    }
    printf("%d %d %d %d %d\n", a, b, c, d, e);
    return 0;
}
