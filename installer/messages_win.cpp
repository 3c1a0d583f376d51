#include "installer/messages.h"

#include "installer/installer_state.h"
#include "support/memblock.h"
#include "support/text_win.h"

// Captions are code page 932 bytes, as every narrow text of the program.
static const char kQuestionCaption[] = "\x8E\xBF\x96\xE2";       // 質問
static const char kInfoCaption[] = "\x8F\xEE\x95\xF1";           // 情報
static const char kErrorCaption[] = "\x83\x47\x83\x89\x81\x5B";  // エラー

static const UINT kQuestionFlags = MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND;
static const UINT kInfoFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND;
static const UINT kErrorFlags = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;

// The table holds UTF-16; loaded narrow, it would come in the system's code page.
char* LoadTextById(UINT id, char* buffer) {
    wchar_t wide[kTextBufferSize];
    buffer[0] = 0;
    if (LoadStringW(g_installer.InstanceHandle, id, wide, kTextBufferSize))
        NarrowTo932(wide, buffer, kTextBufferSize);
    return buffer;
}

// Shown wide, so the texts read right on a system of any code page.
static int ShowBox(HWND owner, const char* text, const char* caption, UINT flags) {
    int length = lstrlenA(text) + 1;
    wchar_t* wide = static_cast<wchar_t*>(AllocPtr(length * sizeof(wchar_t)));
    wchar_t wideCaption[16];
    WideFrom932(caption, wideCaption, 16);
    if (wide)
        WideFrom932(text, wide, length);
    int answer = MessageBoxW(owner, wide ? wide : L"", wideCaption, flags);
    void* block = wide;
    FreePtr(&block);
    return answer;
}

static int TextLength(const char* text) {
    return text ? lstrlenA(text) : 0;
}

static void AppendIfPresent(char* joined, const char* text) {
    if (text && *text)
        lstrcatA(joined, text);
}

// Joins the texts into a zero-filled block of len1 + len2 + len3 + 64 bytes, shows the box and
// gives the block back after it closes. Without memory the box still comes, with no text.
static int ShowJoinedBox(HWND owner, const char* text1, const char* text2, const char* text3,
                         const char* caption, UINT flags) {
    DWORD size = TextLength(text1) + TextLength(text2) + TextLength(text3) + 64;
    char* joined = static_cast<char*>(AllocPtr(size));
    if (joined) {
        AppendIfPresent(joined, text1);
        AppendIfPresent(joined, text2);
        AppendIfPresent(joined, text3);
    }
    int answer = ShowBox(owner, joined ? joined : "", caption, flags);
    void* block = joined;
    FreePtr(&block);
    return answer;
}

char* FormatWithName(UINT id, char* formatted) {
    char format[kTextBufferSize];
    wsprintfA(formatted, LoadTextById(id, format), g_installer.SaverDisplayName);
    return formatted;
}

bool AskYesNoById(HWND owner, UINT id) {
    char text[kTextBufferSize];
    return ShowBox(owner, LoadTextById(id, text), kQuestionCaption, kQuestionFlags) == IDYES;
}

bool AskYesNoText(HWND owner, const char* text1, const char* text2, const char* text3) {
    return ShowJoinedBox(owner, text1, text2, text3, kQuestionCaption, kQuestionFlags) == IDYES;
}

void ShowInfoText(HWND owner, const char* text1, const char* text2, const char* text3) {
    ShowJoinedBox(owner, text1, text2, text3, kInfoCaption, kInfoFlags);
}

void ShowErrorById(HWND owner, UINT id) {
    char text[kTextBufferSize];
    ShowBox(owner, LoadTextById(id, text), kErrorCaption, kErrorFlags);
}

void ShowErrorText(HWND owner, const char* text1, const char* text2, const char* text3) {
    ShowJoinedBox(owner, text1, text2, text3, kErrorCaption, kErrorFlags);
}
