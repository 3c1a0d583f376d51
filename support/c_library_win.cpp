// The few C library functions the installer's code calls, for setup.exe, which links no C
// runtime. Plain loops, as they handle kilobytes; only memchr runs through a whole screen saver,
// in the search for its data header.
#include <stddef.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    while (n--)
        *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    if (d < s) {
        while (n--)
            *d++ = *s++;
    } else {
        while (n--)
            d[n] = s[n];
    }
    return to;
}

void* memset(void* to, int value, size_t n) {
    unsigned char* d = static_cast<unsigned char*>(to);
    while (n--)
        *d++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* a, const void* b, size_t n) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; n; --n, ++x, ++y)
        if (*x != *y)
            return *x - *y;
    return 0;
}

// The package search runs through the whole screen saver: a word at a time, where a word holds
// `value` when the word xor `value` in every byte has a zero byte.
void* memchr(const void* at, int value, size_t n) {
    typedef size_t __attribute__((may_alias)) Word;
    const unsigned char wanted = static_cast<unsigned char>(value);
    const size_t ones = static_cast<size_t>(-1) / 0xFF, highs = ones << 7, spread = ones * wanted;
    const unsigned char* p = static_cast<const unsigned char*>(at);
    for (; n >= sizeof(Word); n -= sizeof(Word), p += sizeof(Word)) {
        size_t word = *reinterpret_cast<const Word*>(p) ^ spread;
        if ((word - ones) & ~word & highs)
            break;
    }
    for (; n; --n, ++p)
        if (*p == wanted)
            return const_cast<unsigned char*>(p);
    return nullptr;
}

size_t strlen(const char* s) {
    const char* end = s;
    while (*end)
        ++end;
    return end - s;
}

int strcmp(const char* a, const char* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

char* strcpy(char* to, const char* from) {
    memcpy(to, from, strlen(from) + 1);
    return to;
}

char* strcat(char* to, const char* from) {
    strcpy(to + strlen(to), from);
    return to;
}

}  // extern "C"
