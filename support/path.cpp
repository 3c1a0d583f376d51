#include "support/path.h"

#include <string.h>

const char* SkipDoubleBytes(const char* p) {
    while (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != 0)
        p += 2;
    return p;
}

int EndsWithSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = SkipDoubleBytes(path); *p; p = SkipDoubleBytes(p + 1))
        last = p;
    return last && last[0] == '\\' && last[1] == 0;
}

const char* GetFileNamePart(const char* path) {
    const char* candidate = nullptr;
    for (const char* p = SkipDoubleBytes(path); *p; p = SkipDoubleBytes(p + 1)) {
        if (*p == '\\')
            candidate = p[1] ? p + 1 : nullptr;
    }
    if (candidate)
        return candidate;
    size_t length = strlen(path);
    if (length == 3 && path[1] == ':')
        return path + 3;
    if (length >= 2 && path[1] == ':')
        return path + 2;
    return path;
}

char* GetFileNamePart(char* path) {
    return const_cast<char*>(GetFileNamePart(const_cast<const char*>(path)));
}

void AppendPathPart(char* path, const char* part) {
    if (!path || !part)
        return;
    strcat(path, "\\");
    strcat(path, part);
    for (char* p = const_cast<char*>(SkipDoubleBytes(path)); *p;
         p = const_cast<char*>(SkipDoubleBytes(p + 1))) {
        // A leading pair stays: it starts a network path.
        if (p != path && p[0] == '\\' && p[1] == '\\')
            memmove(p, p + 1, strlen(p + 1) + 1);
    }
}

char* GetExtensionPart(char* path) {
    if (!path || !*path)
        return nullptr;
    char* candidate = nullptr;
    char* p = const_cast<char*>(SkipDoubleBytes(path));
    for (; *p; p = const_cast<char*>(SkipDoubleBytes(p + 1))) {
        if (*p == '.' && p[1] != 0 && p[1] != ' ')
            candidate = p + 1;
        if (*p == '\\')
            candidate = nullptr;
    }
    return candidate ? candidate : p;
}

void SetExtension(char* path, const char* extension) {
    if (!extension || !*extension)
        return;
    char* position = GetExtensionPart(path);
    if (!position)
        return;
    if (*position) {
        strcpy(position, extension);
        return;
    }
    if (position[-1] != '.')
        strcat(path, ".");
    strcat(path, extension);
}
