#include "installer/messages.h"

#include "installer/installer_state.h"
#include "support/memblock.h"

// Captions are code page 932 bytes, as every narrow text of the program.
static const char kQuestionCaption[] = "\x8E\xBF\x96\xE2";       // 質問
static const char kInfoCaption[] = "\x8F\xEE\x95\xF1";           // 情報
static const char kErrorCaption[] = "\x83\x47\x83\x89\x81\x5B";  // エラー

static const UINT kQuestionFlags = MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND;
static const UINT kInfoFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND;
static const UINT kErrorFlags = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;

char* LoadTextById(UINT id, char* buffer) {
    buffer[0] = 0;
    LoadStringA(g_installer.InstanceHandle, id, buffer, kTextBufferSize);
    return buffer;
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
    int answer = MessageBoxA(owner, joined ? joined : "", caption, flags);
    void* block = joined;
    FreePtr(&block);
    return answer;
}

bool AskYesNoById(HWND owner, UINT id) {
    char text[kTextBufferSize];
    return MessageBoxA(owner, LoadTextById(id, text), kQuestionCaption, kQuestionFlags) == IDYES;
}

bool AskYesNoText(HWND owner, const char* text1, const char* text2, const char* text3) {
    return ShowJoinedBox(owner, text1, text2, text3, kQuestionCaption, kQuestionFlags) == IDYES;
}

void ShowInfoText(HWND owner, const char* text1, const char* text2, const char* text3) {
    ShowJoinedBox(owner, text1, text2, text3, kInfoCaption, kInfoFlags);
}

void ShowErrorById(HWND owner, UINT id) {
    char text[kTextBufferSize];
    MessageBoxA(owner, LoadTextById(id, text), kErrorCaption, kErrorFlags);
}

void ShowErrorText(HWND owner, const char* text1, const char* text2, const char* text3) {
    ShowJoinedBox(owner, text1, text2, text3, kErrorCaption, kErrorFlags);
}
