#pragma once
// The installer's message boxes and its texts from the string table. Every box is modal to its
// owner and comes to the foreground. Texts are code page 932; an absent text is null.

#include <windows.h>

#include "installer/text_ids.h"

enum { kTextBufferSize = 512 };

// Loads string `id` of the program's own table into a 512-byte buffer and returns the buffer,
// so the call can stand as an argument of the formatting call. An empty text if it is missing.
char* LoadTextById(UINT id, char* buffer);

// Loads text `id` into `formatted` (512 bytes) with the screen saver's display name put into
// its "%s", and returns `formatted`.
char* FormatWithName(UINT id, char* formatted);

// A question box ("質問", Yes and No) with string `id`. True only for Yes.
bool AskYesNoById(HWND owner, UINT id);

// A question box with the three texts joined (absent and empty ones left out). True only for Yes.
bool AskYesNoText(HWND owner, const char* text1, const char* text2, const char* text3);

// An information box ("情報") with the three texts joined.
void ShowInfoText(HWND owner, const char* text1, const char* text2, const char* text3);

// An error box ("エラー") with string `id`, or with the three texts joined.
void ShowErrorById(HWND owner, UINT id);
void ShowErrorText(HWND owner, const char* text1, const char* text2, const char* text3);
