#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/scratch.h"

namespace {

// The resources of the built setup.exe, read as a data file as Explorer and the shell do.
std::string Data(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(module, name, type);
    const char* bytes =
        found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : "";
    return std::string(bytes, found ? SizeofResource(module, found) : 0);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST(Resources, IconsAndManifest) {
    HMODULE module =
        LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    EXPECT_NE(nullptr, LoadIconA(module, "IDI_APPICON"));
    // Three 32-pixel images of 2, 8 and 16 colours, said alike by the group and the images.
    std::string group = Data(module, "IDI_APPICON", RT_GROUP_ICON);
    ASSERT_EQ(6 + 3 * sizeof(GroupIconEntry), group.size());
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(group.data() + 6);
    const char* expected[] = {"32x32, 2 colours, 1 bit", "32x32, 8 colours, 4 bit",
                              "32x32, 16 colours, 4 bit"};
    for (int i = 0; i < 3; ++i) {
        const GroupIconEntry& entry = entries[i];
        std::string image = Data(module, MAKEINTRESOURCEA(entry.id), RT_ICON);
        ASSERT_EQ(entry.bytes, image.size());
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
        char inGroup[64], inImage[64];
        wsprintfA(inGroup, "%dx%d, %d colours, %d bit", entry.width, entry.height, entry.colours,
                  entry.bits);
        wsprintfA(inImage, "%dx%d, %d colours, %d bit", header->biWidth, header->biHeight / 2,
                  header->biClrUsed, header->biBitCount);
        EXPECT_STREQ(expected[i], inGroup);
        EXPECT_STREQ(expected[i], inImage);
    }
    // Run elevated, in real pixels, on every system it declares.
    std::string manifest = Data(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
    for (const char* needle :
         {"level=\"requireAdministrator\"", ">true</dpiAware>",
          "e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(std::string::npos, manifest.find(needle)) << needle;
    FreeLibrary(module);
}

// A Japanese description, and version texts that say what the numbers say.
TEST(Resources, VersionInformation) {
    std::string narrow = scratch::SetupExePath();
    std::wstring path(narrow.begin(), narrow.end());
    std::string info(GetFileVersionInfoSizeW(path.c_str(), nullptr), '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, info.size(), &info[0]));
    auto value = [&](const wchar_t* name) {
        void* found = nullptr;
        UINT length = 0;
        VerQueryValueW(info.data(), name, &found, &length);
        return found;
    };
    auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value(L"\\"));
    ASSERT_NE(nullptr, fixed);
    wchar_t numbers[32];
    wsprintfW(numbers, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
              LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
              LOWORD(fixed->dwFileVersionLS));
    struct Case {
        const wchar_t* name;
        const wchar_t* text;
    } cases[] = {
        {L"FileDescription", L"スクリーンセーバー セットアップ"},
        {L"FileVersion", numbers},
        {L"ProductVersion", numbers},
    };
    for (const auto& c : cases) {
        auto* text = static_cast<const wchar_t*>(
            value((std::wstring(L"\\StringFileInfo\\041104B0\\") + c.name).c_str()));
        EXPECT_STREQ(c.text, text) << c.name;
    }
}

}  // namespace
