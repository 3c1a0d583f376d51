#include "installer/removal_entry.h"

#include "installer/installer_state.h"
#include "installer/registration.h"
#include "support/text_win.h"

static const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
static const wchar_t kCopyName[] = L"\\uninstall.exe";
// Apps & features shows the name and a word that says what it is: " スクリーンセーバー".
static const wchar_t kEntrySuffix[] = L" \u30B9\u30AF\u30EA\u30FC\u30F3\u30BB\u30FC\u30D0\u30FC";
// What the removal needs, kept as one value: it is read and written only by this program.
static const wchar_t kRecordValue[] = L"ScreenSaverRemoval";

int ReadFileStamp(const wchar_t* path, FileStamp* stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    stamp->sizeHigh = data.nFileSizeHigh;
    stamp->sizeLow = data.nFileSizeLow;
    stamp->written = data.ftLastWriteTime;
    return 1;
}

int MakeEntryKey(const wchar_t* entryName, wchar_t* key) {
    if (!entryName[0] || lstrlenW(entryName) >= kPathBufferSize)
        return 0;
    lstrcpyW(key, kUninstallKey);
    lstrcatW(key, entryName);
    return 1;
}

// The screen saver's name and the word: what Apps & features shows, and the name of the key
// and of the copy's folder, so that the copy finds its entry from where it lies.
static int MakeEntryName(wchar_t* name) {
    WideFrom932(g_installer.SaverDisplayName, name,
                kPathBufferSize - sizeof kEntrySuffix / sizeof(wchar_t));
    if (!name[0])
        return 0;
    lstrcatW(name, kEntrySuffix);
    return 1;
}

// Where programs go (Program Files, the 32-bit one on 64-bit Windows), and the entry's folder.
static int MakeCopyFolder(const wchar_t* entryName, wchar_t* folder) {
    DWORD length = ExpandEnvironmentStringsW(L"%ProgramFiles%", folder, kPathBufferSize);
    // Left as it is, the variable is missing: there is no place to put programs.
    if (length == 0 || folder[0] == L'%' ||
        length + lstrlenW(entryName) + sizeof kCopyName / sizeof(wchar_t) > kPathBufferSize)
        return 0;
    lstrcatW(folder, L"\\");
    lstrcatW(folder, entryName);
    return 1;
}

static int WriteCopy(const wchar_t* path) {
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD length = g_installer.ProgramPartLength, written = 0;
    int done =
        WriteFile(file, g_installer.ProgramPart, length, &written, nullptr) && written == length;
    CloseHandle(file);
    if (!done)
        DeleteFileW(path);
    return done;
}

static bool SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

static bool SetText(HKEY key, const wchar_t* name, const wchar_t* text) {
    return SetValue(key, name, REG_SZ, text, (lstrlenW(text) + 1) * sizeof(wchar_t));
}

static bool SetNumber(HKEY key, const wchar_t* name, DWORD number) {
    return SetValue(key, name, REG_DWORD, &number, sizeof number);
}

static RemovalRecord g_record;  // too large for a stack that grows a page at a time

static bool WriteEntryValues(HKEY entry, const wchar_t* name, const wchar_t* copy) {
    wchar_t command[kPathBufferSize + 16];
    wsprintfW(command, L"\"%s\" /uninstall", copy);
    const FileStamp& stamp = g_record.stamp;
    DWORD kilobytes =
        (g_installer.ProgramPartLength >> 10) + (stamp.sizeLow >> 10) + (stamp.sizeHigh << 22) + 1;
    return SetText(entry, L"DisplayName", name) && SetText(entry, L"DisplayIcon", copy) &&
           SetText(entry, L"UninstallString", command) && SetNumber(entry, L"NoModify", 1) &&
           SetNumber(entry, L"NoRepair", 1) && SetNumber(entry, L"EstimatedSize", kilobytes) &&
           SetValue(entry, kRecordValue, REG_BINARY, &g_record, sizeof g_record);
}

int AddRemovalEntry(const wchar_t* earlier) {
    wchar_t name[kPathBufferSize], folder[kPathBufferSize], copy[kPathBufferSize];
    wchar_t key[kEntryKeySize];
    RemovalRecord& record = g_record;
    if (!g_installer.ProgramPart || !MakeEntryName(name) || !MakeCopyFolder(name, folder) ||
        !MakeEntryKey(name, key) || !ReadFileStamp(g_installer.TargetPath, &record.stamp))
        return 0;
    lstrcpyW(record.file, g_installer.TargetPath);
    lstrcpyW(record.path, g_installer.SaverPath);
    ReadScreenSaverSetting(record.setting);
    lstrcpyW(record.earlier, earlier);
    lstrcpyW(copy, folder);
    lstrcatW(copy, kCopyName);
    bool madeFolder = CreateDirectoryW(folder, nullptr);
    if (!madeFolder && GetLastError() != ERROR_ALREADY_EXISTS)
        return 0;
    HKEY entry;
    bool copied = WriteCopy(copy), done = false;
    if (copied && RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  &entry, nullptr) == ERROR_SUCCESS) {
        done = WriteEntryValues(entry, name, copy);
        RegCloseKey(entry);
        if (!done)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    }
    if (!done) {
        if (copied)
            DeleteFileW(copy);
        RemoveDirectoryW(folder);  // only where it is empty
    }
    return done;
}

void ReadEarlierScreenSaver(wchar_t* earlier) {
    ReadScreenSaverSetting(earlier);
    if (!IsSameFile(earlier, g_installer.SaverPath))
        return;
    earlier[0] = 0;
    wchar_t name[kPathBufferSize], key[kEntryKeySize];
    if (MakeEntryName(name) && MakeEntryKey(name, key) && ReadRemovalRecord(key, &g_record))
        lstrcpyW(earlier, g_record.earlier);
}

int ReadRemovalRecord(const wchar_t* key, RemovalRecord* record) {
    HKEY entry;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0, size = sizeof *record;
    int read = RegQueryValueExW(entry, kRecordValue, nullptr, &type,
                                reinterpret_cast<BYTE*>(record), &size) == ERROR_SUCCESS &&
               type == REG_BINARY && size == sizeof *record;
    RegCloseKey(entry);
    // Whatever the value holds, every text ends inside its field.
    record->file[kPathBufferSize - 1] = record->path[kPathBufferSize - 1] = 0;
    record->setting[kPathBufferSize - 1] = record->earlier[kPathBufferSize - 1] = 0;
    return read && record->file[0];
}
