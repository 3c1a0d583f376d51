#include "tools/cli/console.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include "tools/core/names.h"

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

std::vector<std::string> CommandLine(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

// The locale's character set; the C locale's ASCII is read as UTF-8, as the rest of the
// system does with names in practice.
static const char* Charset() {
    static const char* charset = nullptr;
    if (!charset) {
        setlocale(LC_CTYPE, "");
        charset = nl_langinfo(CODESET);
        if (!strcmp(charset, "ANSI_X3.4-1968") || !strcmp(charset, "ASCII"))
            charset = "UTF-8";
    }
    return charset;
}

static bool Convert(const char* from, const char* to, const std::string& in, std::string* out) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string input = in;
    char* source = &input[0];
    size_t left = input.size();
    std::string output(input.size() * 4 + 16, '\0');
    char* target = &output[0];
    size_t room = output.size();
    bool whole = iconv(converter, &source, &left, &target, &room) != static_cast<size_t>(-1) &&
                 iconv(converter, nullptr, nullptr, &target, &room) != static_cast<size_t>(-1);
    iconv_close(converter);
    output.resize(output.size() - room);
    *out = output;
    return whole;
}

bool TextFromArgument(const std::string& argument, std::string* text, std::string* reason) {
    const char* charset = Charset();
    bool ok = strcmp(charset, "UTF-8") == 0 ? (*text = argument, IsUtf8(argument))
                                            : Convert(charset, "UTF-8", argument, text);
    if (!ok)
        *reason = Say(Text::kNameNotText, {charset});
    return ok;
}

bool PathFromText(const std::string& text, std::string* path, std::string* reason) {
    const char* charset = Charset();
    bool ok = strcmp(charset, "UTF-8") == 0 ? (*path = text, true)
                                            : Convert("UTF-8", charset, text, path);
    if (!ok)
        *reason = Say(Text::kNameUnwritableHere, {text, charset});
    return ok;
}
