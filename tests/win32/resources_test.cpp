#include <gtest/gtest.h>

#include <string>

#include "tests/fixtures/scratch.h"

namespace {

// Reads the resources of the built setup.exe as a data file, as Explorer and the shell do.
class Resources : public testing::Test {
protected:
    void SetUp() override {
        module_ =
            LoadLibraryExA(scratch::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module_);
    }
    void TearDown() override {
        if (module_)
            FreeLibrary(module_);
    }
    std::string Data(const char* name, const char* type) {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found)
            return "";
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(bytes, SizeofResource(module_, found));
    }
    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(Resources, IconGroupHoldsThree32PixelImagesOf2And8And16Colours) {
    std::string group = Data("IDI_APPICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u);
    WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(3, count);
    ASSERT_EQ(6 + 3 * sizeof(GroupIconEntry), group.size());
    const struct {
        BYTE colours;
        WORD bits;
    } expected[] = {{2, 1}, {8, 4}, {16, 4}};
    for (int i = 0; i < 3; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        EXPECT_EQ(32, entry.width);
        EXPECT_EQ(32, entry.height);
        EXPECT_EQ(expected[i].colours, entry.colorCount);
        EXPECT_EQ(expected[i].bits, entry.bitCount);
        // The image itself says the same: a DIB of 32 x (2 x 32) with that many colours.
        std::string icon = Data(MAKEINTRESOURCEA(entry.id), MAKEINTRESOURCEA(3));  // RT_ICON
        ASSERT_EQ(entry.bytes, icon.size());
        BITMAPINFOHEADER header;
        memcpy(&header, icon.data(), sizeof header);
        EXPECT_EQ(32, header.biWidth);
        EXPECT_EQ(64, header.biHeight);
        EXPECT_EQ(expected[i].bits, header.biBitCount);
        EXPECT_EQ(expected[i].colours, header.biClrUsed);
    }
    EXPECT_NE(nullptr, LoadIconA(module_, "IDI_APPICON"));
}

TEST_F(Resources, ManifestAsksForAdministratorAndRealPixels) {
    std::string manifest = Data(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>"));
    for (const char* os :
         {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(std::string::npos, manifest.find(os)) << os;
}

TEST_F(Resources, VersionInformationIsJapanese) {
    std::string narrow = scratch::SetupExePath();
    std::wstring path(narrow.begin(), narrow.end());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string info(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, &info[0]));
    wchar_t* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\StringFileInfo\\041104B0\\FileDescription",
                               reinterpret_cast<void**>(&description), &length));
    EXPECT_EQ(std::wstring(L"スクリーンセーバー セットアップ"), description);
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
}

}  // namespace
