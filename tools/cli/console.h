#pragma once
// The authors' tool and the person in front of it: the language to speak and where its text
// goes. tools/cli/console.cpp for Linux, tools/cli/console_win.cpp for Windows.

#include <stdio.h>

#include <string>

#include "tools/core/texts.h"

// Linux: the locale variables; Windows: the user's UI language.
Language UserLanguage();

// UTF-8 `text` to stdout or stderr. A Windows console takes it as UTF-16 whatever its code
// page; a file or pipe gets the UTF-8 bytes.
void Show(FILE* stream, const std::string& text);

// True on Windows when the console window is the tool's own (started from Explorer, by a
// double-click or a drop) and closes with it; always false elsewhere.
bool OwnsConsoleWindow();

// Shows `prompt` and waits for a key press on the console.
void WaitForKey(const std::string& prompt);
