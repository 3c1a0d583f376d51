#pragma once
// The program's texts are code page 932 bytes, whatever the system's code page. These turn
// them into UTF-16 for the wide calls that show them, and back.

#include <windows.h>

enum : UINT { kJapaneseCodePage = 932 };

// `text` as UTF-16 into `wide` (`capacity` characters, terminator included). Where code page
// 932 is not installed, the system's code page is taken. An empty text when it does not fit.
void WideFrom932(const char* text, wchar_t* wide, int capacity);

// `wide` as code page 932 into `text` (`capacity` bytes). Empty when it does not fit.
void NarrowTo932(const wchar_t* wide, char* text, int capacity);
