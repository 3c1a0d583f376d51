#include "installer/command_line.h"

static const wchar_t* SkipBlanks(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

int IsRemovalCommand(const wchar_t* commandLine) {
    const wchar_t* p = commandLine;
    // The program's name ends at its closing quote, or else at the first blank: the system
    // reads it so, whatever the name holds.
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p)
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    p = SkipBlanks(p);
    for (const wchar_t* word = L"/uninstall"; *word; ++word, ++p) {
        wchar_t c = *p >= L'A' && *p <= L'Z' ? *p + (L'a' - L'A') : *p;
        if (c != *word)
            return 0;
    }
    return *SkipBlanks(p) == 0;
}
