#include <gtest/gtest.h>

#include <string>

#include "installer/registration.h"
#include "tests/fixtures/scratch.h"

namespace {

const wchar_t kPolicy[] = L"Software\\Policies\\Microsoft\\Windows\\Control Panel\\Desktop";

void DeleteTree(HKEY parent, const wchar_t* name) {
    HKEY key;
    if (RegOpenKeyExW(parent, name, 0, KEY_ALL_ACCESS, &key))
        return;
    wchar_t child[256];
    for (DWORD length = 256; !RegEnumKeyExW(key, 0, child, &length, 0, 0, 0, 0); length = 256)
        DeleteTree(key, child);
    RegCloseKey(key);
    RegDeleteKeyW(parent, name);
}

// The current user's keys, redirected to a scratch key that holds only what `keys` lists.
class ScratchUser {
public:
    explicit ScratchUser(std::initializer_list<const wchar_t*> keys) {
        DeleteTree(HKEY_CURRENT_USER, L"Software\\SetupTestUser");  // left by a run that died
        RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\SetupTestUser", &user_);
        for (const wchar_t* key : keys) {
            HKEY created;
            if (!RegCreateKeyW(user_, key, &created))
                RegCloseKey(created);
        }
        RegOverridePredefKey(HKEY_CURRENT_USER, user_);
    }
    ~ScratchUser() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(user_);
        DeleteTree(HKEY_CURRENT_USER, L"Software\\SetupTestUser");
    }
    HKEY key() const { return user_; }
    void Set(const wchar_t* key, const wchar_t* name, const std::wstring& value,
             DWORD type = REG_SZ) {
        HKEY opened;
        if (RegOpenKeyExW(user_, key, 0, KEY_WRITE, &opened))
            return;
        RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
    }
    // The value as stored, with its byte count, or "(none)".
    std::wstring Get(const wchar_t* key, const wchar_t* name) {
        HKEY opened;
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        if (RegOpenKeyExW(user_, key, 0, KEY_READ, &opened))
            return L"(none)";
        LONG read =
            RegQueryValueExW(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(opened);
        return read ? L"(none)" : std::wstring(value) + L" " + std::to_wstring(size);
    }

private:
    HKEY user_ = nullptr;
};

struct SaverFile {
    scratch::Folder folder{"registration"};
    std::string path = folder / "Long \xE6\x98\x9F Screen Saver.scr";  // UTF-8
    std::wstring longPath = scratch::WidePath(path);
    std::wstring shortPath;
    SaverFile() {
        scratch::Write(path, {1});
        wchar_t buffer[MAX_PATH] = {};
        GetShortPathNameW(longPath.c_str(), buffer, MAX_PATH);
        shortPath = buffer;
    }
    std::wstring Stored() const {
        return shortPath + L" " + std::to_wstring((shortPath.size() + 1) * sizeof(wchar_t));
    }
};

std::wstring BootEntry() {
    wchar_t boot[MAX_PATH] = {};
    GetPrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"", boot, MAX_PATH, L"system.ini");
    return boot;
}

// "Control Panel" or its "Desktop" missing: neither is ever created, the failure is reported,
// and system.ini still gets the short path (a long name shows which of the two is written).
TEST(Registration, MissingKeysAreNeverCreated) {
    SaverFile saver;
    ASSERT_NE(saver.longPath, saver.shortPath);
    for (bool withControlPanel : {false, true}) {
        SCOPED_TRACE(withControlPanel);
        WritePrivateProfileStringW(L"boot", L"SCRNSAVE.EXE", L"before", L"system.ini");
        ScratchUser user = withControlPanel ? ScratchUser{L"Control Panel"} : ScratchUser{};
        EXPECT_FALSE(SetScreenSaver(saver.longPath.c_str()));
        HKEY key;
        EXPECT_NE(ERROR_SUCCESS,
                  RegOpenKeyExW(user.key(),
                                withControlPanel ? L"Control Panel\\Desktop" : L"Control Panel", 0,
                                KEY_READ, &key));
        EXPECT_EQ(saver.shortPath, BootEntry());
    }
}

int g_settingChanges = 0;

LRESULT CALLBACK CountSettingChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE && wParam == SPI_SETSCREENSAVEACTIVE)
        ++g_settingChanges;
    return DefWindowProcW(window, message, wParam, lParam);
}

// The user's value is stored as UTF-16 with its terminator whatever a policy says; success is
// reported only when no policy forces another screen saver or switches it off, read as the
// system reads it: expanded, a bare name in the system folder, a file that is not there
// ignored, our own file under any spelling. Running programs (a top-level window here) are
// told each time.
TEST(Registration, APolicyThatDecidesMakesItAFailure) {
    scratch::MakeDesktopKeyWritable();  // the screen-saver-active setting is stored there
    SaverFile saver;
    std::wstring folder = saver.longPath.substr(0, saver.longPath.rfind(L'\\'));
    SetEnvironmentVariableW(L"SETUP_TEST_FOLDER", folder.c_str());
    std::wstring upper = saver.longPath;
    CharUpperW(&upper[0]);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    // In the system's own system folder: on 64-bit Windows, where the 32-bit view goes elsewhere,
    // that is where the system looks for a bare name.
    const std::wstring forced = std::wstring(system) + L"\\setup-test-forced.scr";
    PVOID redirection = nullptr;
    BOOL turned = Wow64DisableWow64FsRedirection(&redirection);
    HANDLE file = CreateFileW(forced.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (turned)
        Wow64RevertWow64FsRedirection(redirection);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = CountSettingChanges;
    windowClass.lpszClassName = L"SettingChangeCounter";
    RegisterClassW(&windowClass);
    HWND listener = CreateWindowW(windowClass.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                  nullptr, nullptr, nullptr, nullptr);
    const DWORD kExpand = REG_EXPAND_SZ;
    struct Case {
        const wchar_t* name;
        std::wstring policySaver;  // "-": no such policy value
        DWORD type;
        const wchar_t* policyActive;  // null: no such policy value
        bool reported;
    } cases[] = {
        {L"no policy", L"-", REG_SZ, nullptr, true},
        {L"empty policy, active", L"", REG_SZ, L"1", true},
        {L"ours, short", saver.shortPath, REG_SZ, nullptr, true},
        {L"ours, long in capitals", upper, REG_SZ, nullptr, true},
        {L"ours through a variable", L"%SETUP_TEST_FOLDER%\\Long \u661F Screen Saver.scr", kExpand,
         nullptr, true},
        {L"another file", forced, REG_SZ, nullptr, false},
        {L"another file by bare name", L"setup-test-forced.scr", REG_SZ, nullptr, false},
        {L"another file through a variable", L"%SystemRoot%\\system32\\setup-test-forced.scr",
         kExpand, nullptr, false},
        {L"a bare name that is not there", L"setup-test-missing.scr", REG_SZ, nullptr, true},
        {L"a path that is not there", L"C:\\nowhere\\other.scr", REG_SZ, nullptr, true},
        {L"switched off", L"-", REG_SZ, L"0", false},
        {L"ours but switched off", saver.shortPath, REG_SZ, L"0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name);
        ScratchUser user{L"Control Panel\\Desktop", kPolicy};
        if (c.policySaver != L"-")
            user.Set(kPolicy, L"SCRNSAVE.EXE", c.policySaver, c.type);
        if (c.policyActive)
            user.Set(kPolicy, L"ScreenSaveActive", c.policyActive);
        g_settingChanges = 0;
        EXPECT_EQ(c.reported, SetScreenSaver(saver.longPath.c_str()));
        EXPECT_EQ(saver.Stored(), user.Get(L"Control Panel\\Desktop", L"SCRNSAVE.EXE"));
        EXPECT_EQ(1, g_settingChanges);
    }
    DestroyWindow(listener);
    CloseHandle(file);  // and so deletes it
}

struct HungWindow {
    HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// A top-level window whose thread stops taking messages for a minute, as a program that hangs.
DWORD WINAPI HangAfterShowingAWindow(void* parameter) {
    auto* hung = static_cast<HungWindow*>(parameter);
    HWND window = CreateWindowW(L"STATIC", L"hung", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
    SetEvent(hung->shown);
    WaitForSingleObject(hung->release, 60000);
    DestroyWindow(window);
    return 0;
}

// One program that has stopped answering must not hold the installer at 100 % while it hangs.
TEST(Registration, AHungWindowHoldsItUpBriefly) {
    scratch::MakeDesktopKeyWritable();
    SaverFile saver;
    ScratchUser user{L"Control Panel\\Desktop"};
    HungWindow hung;
    HANDLE thread = CreateThread(nullptr, 0, HangAfterShowingAWindow, &hung, 0, nullptr);
    WaitForSingleObject(hung.shown, INFINITE);
    DWORD start = GetTickCount();
    EXPECT_TRUE(SetScreenSaver(saver.longPath.c_str()));
    DWORD took = GetTickCount() - start;
    SetEvent(hung.release);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_LT(took, 20000u);
    EXPECT_EQ(saver.Stored(), user.Get(L"Control Panel\\Desktop", L"SCRNSAVE.EXE"));
}

}  // namespace
