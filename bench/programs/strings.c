/* Strings: build eight-letter words by concatenation and compare them. */
#include <stdio.h>
#include <string.h>

static volatile int N = 10000000; /* volatile: the size is not folded into the code */

/* dst = a + b, the way a string "+" makes a new value from two. */
static void concat(char *dst, const char *a, const char *b) {
    size_t la = strlen(a), lb = strlen(b);
    memmove(dst, a, la);
    memcpy(dst + la, b, lb + 1);
}

int main(void) {
    const int n = N;
    int x = 1, len = 0, less = 0, same = 0;
    char w[32] = "", prev[32] = "", best[32] = "", worst[32] = "zzzzzzzzz", pair[64] = "";
    for (int i = 0; i < n; i = i + 1) {
        x = x * 1103 + 12345;
        x = x - x / 65536 * 65536;
        int k = x / 4096;
        if (k < 5) concat(w, w, "a");
        else if (k < 9) concat(w, w, "b");
        else if (k < 14) concat(w, w, "c");
        else concat(w, w, "d");
        len = len + 1;
        if (len == 8) {
            if (strcmp(w, best) > 0) strcpy(best, w);
            if (strcmp(w, worst) < 0) strcpy(worst, w);
            if (strcmp(w, prev) <= 0) less = less + 1;
            concat(pair, prev, w);
            if (strcmp(pair, "abc") < 0 || strcmp(w, prev) == 0) same = same + 1;
            strcpy(prev, w);
            w[0] = '\0';
            len = 0;
        }
    }
    printf("%s %s %d %d %s\n", best, worst, less, same, pair);
    return 0;
}
