#include "tools/cli/console.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

Language UserLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::kJapanese
                                                                      : Language::kEnglish;
}

std::vector<std::string> CommandLine(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i) {
        int length = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(length > 0 ? length : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], length, nullptr, nullptr);
        text.resize(text.size() - 1);
        arguments.push_back(text);
    }
    LocalFree(wide);
    return arguments;
}

bool TextFromArgument(const std::string& argument, std::string* text, std::string*) {
    *text = argument;
    return true;
}

bool PathFromText(const std::string& text, std::string* path, std::string*) {
    *path = text;
    return true;
}

static bool IsConsole(HANDLE handle) {
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

void Show(FILE* stream, const std::string& text) {
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (!IsConsole(handle)) {
        fputs(text.c_str(), stream);
        return;
    }
    int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    fflush(stream);  // anything the C library still holds comes first
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

// Started from a console, the tool shares it with that console's shell; from Explorer it is
// alone. A redirected input means a script, which must never wait.
bool OwnsConsoleWindow() {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1 && IsConsole(GetStdHandle(STD_INPUT_HANDLE));
}

void WaitForKey(const std::string& prompt) {
    Show(stdout, prompt);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    INPUT_RECORD record;
    DWORD got;
    while (ReadConsoleInputW(input, &record, 1, &got) && got == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown)
            return;
}
