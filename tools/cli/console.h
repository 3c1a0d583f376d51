#pragma once
// The authors' tool and the person in front of it: the language to speak and where its text
// goes. tools/cli/console.cpp for Linux, tools/cli/console_win.cpp for Windows.

#include <stdio.h>

#include <string>
#include <vector>

#include "tools/core/texts.h"

// The arguments as UTF-8 on Windows, read from its UTF-16 command line whatever the code page;
// on Linux as they came, in the locale's character set.
std::vector<std::string> CommandLine(int argc, char** argv);

// An argument that names something (a file's name, --name) as UTF-8 text: Linux decodes it from
// the locale's character set (UTF-8, or ASCII taken as UTF-8) and refuses what is not text in
// it, with the reason.
bool TextFromArgument(const std::string& argument, std::string* text, std::string* reason);

// UTF-8 text as a file name the system's calls take (the tool's paths are UTF-8 on Windows).
bool PathFromText(const std::string& text, std::string* path, std::string* reason);

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
