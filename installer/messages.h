#pragma once
#include <windows.h>

#include "installer/text_ids.h"

enum { kTextBufferSize = 512 };

// Loads string `id` of the program's own table into a 512-byte buffer and returns the buffer.
char* LoadTextById(UINT id, char* buffer);

// An error box ("エラー") with string `id`, modal to `owner`.
void ShowErrorById(HWND owner, UINT id);
