#include "module/text_routines.h"

static unsigned char AsciiLower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? (unsigned char)(c - 'A' + 'a') : c;
}

SIZE_T TextLength(const char* text) {
    const char* end = text;
    while (*end)
        ++end;
    return (SIZE_T)(end - text);
}

int TextCompare(const char* a, const char* b) {
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    while (*x && *x == *y) {
        ++x;
        ++y;
    }
    return (int)*x - (int)*y;
}

char* TextCopyBounded(char* target, const char* source, SIZE_T size) {
    SIZE_T i = 0;
    for (; i < size && source[i]; ++i)
        target[i] = source[i];
    /* pad the rest with zero bytes */
    for (; i < size; ++i)
        target[i] = 0;
    return target;
}

int TextCompareAsciiNoCase(const char* a, const char* b) {
    const unsigned char* x = (const unsigned char*)a;
    const unsigned char* y = (const unsigned char*)b;
    while (*x && AsciiLower(*x) == AsciiLower(*y)) {
        ++x;
        ++y;
    }
    return (int)AsciiLower(*x) - (int)AsciiLower(*y);
}

void* MemoryClear(void* target, SIZE_T size) {
    /* volatile keeps the compiler from turning the loop into a memset call */
    volatile unsigned char* p = (volatile unsigned char*)target;
    while (size--)
        *p++ = 0;
    return target;
}
