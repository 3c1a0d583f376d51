#pragma once
// The installer's one process-wide record. All fields are zero at process start; each is
// written by one part of the program (noted beside it).

#include <windows.h>

#include "installer/saver_file.h"
#include "support/path.h"

struct InstallerState {
    HINSTANCE InstanceHandle;             // start-up
    char TempFolder[kPathBufferSize];     // start-up
    char ProgramFolder[kPathBufferSize];  // start-up
    HCURSOR SavedCursor;                  // start-up
    // Start-up: system folder, backslash, saver name. UTF-16, so that the name's code page 932
    // text names the same file on a system of any code page.
    wchar_t TargetPath[kPathBufferSize];
    // Start-up: the same file as the system starts it; for a 64-bit screen saver System32 where
    // TargetPath reaches it through Sysnative.
    wchar_t SaverPath[kPathBufferSize];
    char SaverDisplayName[kPathBufferSize];  // start-up: saver name without its extension
    // Start-up: where a screen saver of the same name that existed before was kept aside;
    // empty when there was none. The install sequence puts it back or removes it.
    wchar_t PreviousFileCopy[kOwnPathSize];
    // Start-up: the program without its package, for the copy that removes the screen saver
    // later; null when it could not be kept. Freed at the end of the run.
    void* ProgramPart;
    DWORD ProgramPartLength;
    int InstallUndone;         // window procedure: the new file was taken away again
    int CloseAsked;            // window procedure: the close that is coming is the installer's own
    int BoxOpen;               // window procedure: a message box of the sequence is up
    HBITMAP SplashBitmap;      // start-up; deleted by FreeSplashBitmap
    HFONT TitleFont;           // window procedure
    HFONT PercentFont;         // window procedure
    UINT_PTR ProgressTimerId;  // window procedure; 0 while no timer runs
    int ProgressPercent;       // window procedure; 0 to 100
};

extern InstallerState g_installer;
