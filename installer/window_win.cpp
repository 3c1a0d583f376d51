#include "installer/window.h"

#include <string.h>

#include "installer/installer_state.h"
#include "installer/messages.h"
#include "installer/progress.h"
#include "installer/registration.h"
#include "installer/removal_entry.h"
#include "installer/saver_file.h"
#include "render/layout.h"
#include "render/progress_screen.h"
#include "support/text_win.h"

enum { kProgressTimer = 1 };

// Face names in code page 932: "ＭＳ 明朝" and "ＭＳ ゴシック".
static const char kTitleFace[] = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";
static const char kPercentFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

// The face name goes in wide: read in a system code page other than 932, it would name no font.
static HFONT MakeFont(LONG height, BYTE italic, const char* face) {
    LOGFONTW font;
    memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfItalic = italic;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfQuality = PROOF_QUALITY;
    WideFrom932(face, font.lfFaceName, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

void CreateProgressFonts(int screenWidth) {
    g_installer.TitleFont = MakeFont(GetTitleFontHeight(screenWidth), TRUE, kTitleFace);
    g_installer.PercentFont = MakeFont(kLabelFontHeight, FALSE, kPercentFace);
}

static void ArmTimer(HWND window) {
    g_installer.ProgressTimerId = SetTimer(window, kProgressTimer, 0, nullptr);
}

static void StopTimer(HWND window) {
    KillTimer(window, g_installer.ProgressTimerId);
    g_installer.ProgressTimerId = 0;
}

// Every ending the installer chooses goes through here, so that a close from outside (Alt+F4,
// the taskbar, another program) can be told apart from it.
static void RequestClose(HWND window) {
    g_installer.CloseAsked = 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

// The file goes, and a screen saver of the same name that was there before comes back.
static void UndoInstall() {
    if (g_installer.InstallUndone)
        return;
    RemoveInstalledFile(g_installer.TargetPath, g_installer.PreviousFileCopy);
    g_installer.InstallUndone = 1;
}

static void Finish(HWND window) {
    wchar_t earlier[kPathBufferSize];
    ReadEarlierScreenSaver(earlier);
    bool registered = SetScreenSaver(g_installer.SaverPath);
    // The new file stays for good: its predecessor's kept copy goes.
    DiscardPreviousFile(g_installer.PreviousFileCopy);
    // Apps & features can take it away again; without the entry the install stands as it is.
    AddRemovalEntry(earlier);
    char text[kTextBufferSize];
    g_installer.BoxOpen = 1;
    // A failed registration is said as such, never reported as success; the file stays.
    if (registered) {
        ShowInfoText(window, FormatWithName(IDS_INSTALLDONE, text), nullptr, nullptr);
    } else {
        ShowErrorText(window, FormatWithName(IDS_SETFAILED, text), nullptr, nullptr);
    }
    g_installer.BoxOpen = 0;
    RequestClose(window);
}

static void OnTick(HWND window) {
    StopTimer(window);
    if (g_installer.ProgressPercent == 0) {
        char text[kTextBufferSize];
        g_installer.BoxOpen = 1;
        bool yes = AskYesNoText(window, FormatWithName(IDS_CONFIRMINSTALL, text), nullptr, nullptr);
        g_installer.BoxOpen = 0;
        // The session may have ended while the box was up, and taken the file away.
        if (!yes || g_installer.InstallUndone) {
            UndoInstall();
            RequestClose(window);
            return;
        }
    }
    g_installer.ProgressPercent = AdvanceProgress(g_installer.ProgressPercent, NextRandom());
    if (HDC dc = GetDC(window)) {
        DrawProgressScreen(window, dc, 1);
        ReleaseDC(window, dc);
    }
    if (g_installer.ProgressPercent != 100) {
        ArmTimer(window);
        return;
    }
    Finish(window);
}

// Escape, and a close the installer did not ask for.
static void AskToAbort(HWND window) {
    StopTimer(window);
    g_installer.BoxOpen = 1;
    bool yes = AskYesNoById(window, IDS_CONFIRMABORT);
    g_installer.BoxOpen = 0;
    if (yes || g_installer.InstallUndone) {
        UndoInstall();
        RequestClose(window);
    } else {
        ArmTimer(window);
    }
}

LRESULT CALLBACK InstallerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateProgressFonts(GetSystemMetrics(SM_CXSCREEN));
            ArmTimer(window);
            return 0;
        case WM_TIMER:
            OnTick(window);
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE)
                AskToAbort(window);
            break;
        case WM_CLOSE:
            if (g_installer.CloseAsked)
                break;
            // Closed from outside, the window would take the new file with it unasked: the user
            // is asked as for Escape, unless a box of ours is already waiting for an answer.
            if (!g_installer.BoxOpen)
                AskToAbort(window);
            return 0;
        case WM_ENDSESSION:
            // Log-off or shut-down ends the process: an install not yet complete is undone.
            if (wParam && g_installer.ProgressPercent < 100) {
                StopTimer(window);
                UndoInstall();
            }
            break;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (HDC dc = BeginPaint(window, &paint)) {
                DrawProgressScreen(window, dc, 0);
                EndPaint(window, &paint);
            }
            break;
        }
        case WM_DESTROY:
            if (g_installer.TitleFont)
                DeleteObject(g_installer.TitleFont);
            if (g_installer.PercentFont)
                DeleteObject(g_installer.PercentFont);
            if (g_installer.ProgressTimerId)
                KillTimer(window, g_installer.ProgressTimerId);
            PostQuitMessage(0);
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
