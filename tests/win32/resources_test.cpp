#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/scratch.h"

namespace {

std::string Resource(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return found ? std::string(bytes, SizeofResource(module, found)) : "";
}

// The built setup.exe read as a data file, as the shell reads it. (Every text of the string
// table is read back end to end, in the box that shows it.)
TEST(Resources, IconsManifestAndVersion) {
    HMODULE module =
        LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    // Three 32-pixel icons of 2, 8 and 16 colours: width x height, colours and bits as the
    // group's entries (GRPICONDIRENTRY) say them; the images they name load as an icon.
    EXPECT_NE(nullptr, LoadIconA(module, "IDI_APPICON"));
    std::string group = Resource(module, "IDI_APPICON", RT_GROUP_ICON), icons;
    for (size_t at = 6; at + 14 <= group.size(); at += 14) {
        char seen[32];
        wsprintfA(seen, "%dx%d %d %d; ", BYTE(group[at]), BYTE(group[at + 1]), BYTE(group[at + 2]),
                  group[at + 6]);
        icons += seen;
    }
    EXPECT_EQ("32x32 2 1; 32x32 8 4; 32x32 16 4; ", icons);

    // Elevated, in real pixels, on every system it knows of up to 10 and 11.
    std::string manifest = Resource(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
    for (const char* part : {"level=\"requireAdministrator\"", ">true</dpiAware>",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(std::string::npos, manifest.find(part)) << part;
    // Its boxes are drawn by the common controls of version 6, the themed ones.
    std::wstring setup = scratch::WidePath(scratch::SetupExePath());
    ACTCTXW context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = setup.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE activation = CreateActCtxW(&context);
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(activation != INVALID_HANDLE_VALUE && ActivateActCtx(activation, &cookie));
    HMODULE controls = LoadLibraryW(L"comctl32.dll");
    wchar_t controlsPath[MAX_PATH] = {};
    GetModuleFileNameW(controls, controlsPath, MAX_PATH);
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(activation);
    EXPECT_NE(nullptr, wcsstr(controlsPath, L"common-controls_6595b64144ccf1df_6."))
        << controlsPath;

    // A version text that says what the numbers say.
    std::string version = Resource(module, MAKEINTRESOURCEA(1), RT_VERSION);
    void *fixed = nullptr, *text = nullptr;
    UINT size = 0;
    VerQueryValueW(&version[0], L"\\", &fixed, &size);
    VerQueryValueW(&version[0], L"\\StringFileInfo\\041104B0\\FileVersion", &text, &size);
    ASSERT_TRUE(fixed && text);
    const auto& numbers = *static_cast<VS_FIXEDFILEINFO*>(fixed);
    wchar_t expected[32];
    wsprintfW(expected, L"%u.%u.%u.%u", HIWORD(numbers.dwFileVersionMS),
              LOWORD(numbers.dwFileVersionMS), HIWORD(numbers.dwFileVersionLS),
              LOWORD(numbers.dwFileVersionLS));
    EXPECT_STREQ(expected, static_cast<wchar_t*>(text));
    FreeLibrary(module);
}

}  // namespace
