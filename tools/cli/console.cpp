#include "tools/cli/console.h"

#include <stdlib.h>

Language UserLanguage() {
    return LanguageFromLocale(getenv("LC_ALL"), getenv("LC_MESSAGES"), getenv("LANG"));
}

void Show(FILE* stream, const std::string& text) {
    fputs(text.c_str(), stream);
}

bool OwnsConsoleWindow() {
    return false;
}

void WaitForKey(const std::string&) {}
