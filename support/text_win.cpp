#include "support/text_win.h"

void WideFrom932(const char* text, wchar_t* wide, int capacity) {
    if (!MultiByteToWideChar(kJapaneseCodePage, 0, text, -1, wide, capacity) &&
        !MultiByteToWideChar(CP_ACP, 0, text, -1, wide, capacity))
        wide[0] = 0;
}

void NarrowTo932(const wchar_t* wide, char* text, int capacity) {
    if (!WideCharToMultiByte(kJapaneseCodePage, 0, wide, -1, text, capacity, nullptr, nullptr) &&
        !WideCharToMultiByte(CP_ACP, 0, wide, -1, text, capacity, nullptr, nullptr))
        text[0] = 0;
}
