#include "installer/desktop_user.h"
#include "installer/installer_state.h"
#include "installer/messages.h"
#include "installer/registration.h"
#include "installer/removal_entry.h"
#include "support/text_win.h"

static wchar_t* LastPart(wchar_t* path) {
    wchar_t* part = path;
    for (wchar_t* p = path; *p; ++p)
        if (*p == L'\\')
            part = p + 1;
    return part;
}

// The boxes name the screen saver as the installer's did: its file name without extension.
static void TakeDisplayName(const wchar_t* file) {
    wchar_t name[kPathBufferSize];
    lstrcpyW(name, file);
    char* display = g_installer.SaverDisplayName;
    NarrowTo932(LastPart(name), display, kPathBufferSize);
    char* extension = GetExtensionPart(display);
    if (extension && *extension)
        extension[-1] = 0;
}

static bool IsSameStamp(const FileStamp& a, const FileStamp& b) {
    return a.sizeHigh == b.sizeHigh && a.sizeLow == b.sizeLow &&
           CompareFileTime(&a.written, &b.written) == 0;
}

// A running program's file cannot be deleted, but it can be renamed: moved into the temporary
// folder, it lets its own folder go at once. The system deletes it at its next start, as it
// does the copy in place where even the move fails.
static void RemoveOwnCopy(const wchar_t* own, const wchar_t* folder) {
    wchar_t temp[kPathBufferSize], parked[kPathBufferSize];
    DWORD length = GetTempPathW(kPathBufferSize, temp);
    bool moved =
        length > 0 && length < kPathBufferSize - 14 && GetTempFileNameW(temp, L"scr", 0, parked);
    if (moved && !MoveFileExW(own, parked, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(parked);
        moved = false;
    }
    MoveFileExW(moved ? parked : own, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (!RemoveDirectoryW(folder))
        MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The screen saver goes, and the user's setting goes back to the one before where ours is
// still the one set. 0 when the file there is not the one the installer wrote.
static int RemoveScreenSaver(const RemovalRecord& record) {
    FileStamp now;
    bool present = ReadFileStamp(record.file, &now);
    if (present && !IsSameStamp(now, record.stamp))
        return 0;
    wchar_t setting[kPathBufferSize];
    ReadScreenSaverSetting(setting);
    // Compared before the file goes: the long form of a path needs the file.
    bool oursIsSet = RunsAsDesktopUser() && setting[0] &&
                     (lstrcmpiW(setting, record.setting) == 0 || IsSameFile(setting, record.path));
    // A file in use (a preview that is running) goes at the next start.
    if (present && !DeleteFileW(record.file))
        MoveFileExW(record.file, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (oursIsSet)
        PutBackScreenSaver(record.earlier);
    return 1;
}

int RunRemoval() {
    wchar_t own[kPathBufferSize], folder[kPathBufferSize], key[kEntryKeySize];
    DWORD length = GetModuleFileNameW(nullptr, own, kPathBufferSize);
    if (length == 0 || length >= kPathBufferSize)
        return 0;
    lstrcpyW(folder, own);
    wchar_t* file = LastPart(folder);
    if (file == folder)
        return 0;
    file[-1] = 0;
    // Without an entry of its own there is nothing this copy may take away. Not on the stack,
    // which grows a page at a time.
    static RemovalRecord record;
    if (!MakeEntryKey(LastPart(folder), key) || !ReadRemovalRecord(key, &record))
        return 0;
    TakeDisplayName(record.file);
    char text[kTextBufferSize];
    if (!AskYesNoText(nullptr, FormatWithName(IDS_CONFIRMREMOVE, text), nullptr, nullptr))
        return 0;
    int removed = RemoveScreenSaver(record);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    RemoveOwnCopy(own, folder);
    if (removed) {
        ShowInfoText(nullptr, FormatWithName(IDS_REMOVEDONE, text), nullptr, nullptr);
    } else {
        ShowErrorText(nullptr, FormatWithName(IDS_NOTOURS, text), nullptr, nullptr);
    }
    return 0;
}
