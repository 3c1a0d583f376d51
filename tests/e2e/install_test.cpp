#include <gtest/gtest.h>

#include "installer/package.h"
#include "render/layout.h"
#include "support/path.h"
#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

using e2e::Bytes;
using e2e::Installed;
using e2e::InstallerProcess;

namespace {

Bytes SampleSaver() {
    return fixtures::SaverImage(4096, fixtures::SplashDib(64, 48));
}

// Captures hold 0x00RRGGBB; the layout's colours are COLORREF, 0x00BBGGRR.
uint32_t Rgb(uint32_t colorref) {
    return (colorref & 0xFF) << 16 | (colorref & 0xFF00) | (colorref >> 16 & 0xFF);
}

// Bar pixels that are white, magenta (filled) or neither (the label).
std::vector<int> CountBar(const e2e::Screen& screen, int percent) {
    ProgressBarLayout bar = GetProgressBarLayout(screen.width, screen.height, percent);
    std::vector<int> count(3);
    for (int y = bar.top; y < bar.top + kBarHeight; ++y)
        for (int x = bar.left; x < bar.left + bar.width; ++x)
            ++count[screen.At(x, y) == 0xFFFFFF             ? 0
                    : screen.At(x, y) == Rgb(kFilledColour) ? 1
                                                            : 2];
    return count;
}

// One whole install as a user sees it, every fact checked on the way (the paint's every pixel
// is the in-process tests' business). Runs at widths of 1024 and 1025, where the title font
// grows from 42 to 72 pixels; in a 64-bit prefix, where the file must go, and be registered,
// where 32-bit system files live; and under an English locale, where the Japanese texts must
// still read.
TEST(Screen, FullInstallIntoTheSystemFolder) {
    e2e::ResetRegistration();
    scratch::Folder folder("full");
    std::string name = "e2e_\x90\xAF\x8B\xF3.scr";  // e2e_星空.scr in code page 932
    Bytes saver = SampleSaver();
    InstallerProcess installer(e2e::WriteInstaller(folder, name, saver));
    scratch::Write(Installed(name), Bytes(5000, 0x77));  // an earlier file, to be replaced
    e2e::WindowSeen window = e2e::Describe(installer.WaitForProgressWindow());
    e2e::BoxSeen confirm = installer.WaitForBox();
    ASSERT_NE(nullptr, confirm.box);
    e2e::Screen first = e2e::CaptureSettledScreen();
    const int width = first.width, height = first.height;
    EXPECT_TRUE(window.visible);
    EXPECT_EQ("SetupWClass|Setup", window.className + "|" + window.title);
    RECT full = {0, 0, width, height};
    EXPECT_TRUE(EqualRect(&full, &window.rect));
    EXPECT_EQ(L"質問", confirm.caption);
    EXPECT_EQ(L"「e2e_星空」スクリーンセーバーのインストールを開始します。\r\n\r\nよろしいですか?",
              confirm.text);

    // Two white title lines, as deep as the font the screen width asks for.
    int fontHeight = width <= 1024 ? 42 : 72, lowest = -1;
    for (int y = kTitleY; y < 300; ++y)
        for (int x = kTitleX; x < width / 2; ++x)
            lowest = first.At(x, y) == 0xFFFFFF ? y : lowest;
    EXPECT_GT(lowest, kTitleY + fontHeight * 3 / 2);
    EXPECT_LT(lowest, kTitleY + fontHeight * 2 + 4);
    std::vector<int> empty = CountBar(first, 0);
    int area = GetProgressBarLayout(width, height, 0).width * kBarHeight;
    EXPECT_EQ(0, empty[1]);
    EXPECT_GT(empty[2], 10);  // the label "0 %"
    EXPECT_GT(empty[0], area * 3 / 4);

    InstallerProcess::Press(confirm, IDYES);
    e2e::BoxSeen report = installer.WaitForBox();
    ASSERT_NE(nullptr, report.box);
    e2e::Screen last = e2e::CaptureSettledScreen();
    EXPECT_EQ(L"情報", report.caption);
    EXPECT_EQ(L"e2e_星空\r\nをスクリーンセーバーとして設定しました。", report.text);
    EXPECT_EQ(e2e::RegisteredAs(name), e2e::ReadRegistration());  // before the report
    std::vector<int> done = CountBar(last, 100);
    EXPECT_EQ(0, done[0]);
    EXPECT_GT(done[2], 10);  // the label "100 %"
    EXPECT_GT(done[1], area * 3 / 4);
    EXPECT_EQ(first.At(width - 1, height - 40), last.At(width - 1, height - 40));  // only the bar
    InstallerProcess::Press(report, IDOK);
    EXPECT_EQ(0u, e2e::ExitCode(installer));
    EXPECT_EQ(saver, scratch::Read(Installed(name)));
    EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    e2e::RemoveFromSystemFolder(name);
}

// Each test installs under names of its own and leaves the system folder as it found it.
class Install : public testing::Test {
protected:
    void TearDown() override {
        for (const auto& name : names_)
            e2e::RemoveFromSystemFolder(name);
    }
    std::string Name(const std::string& name) {
        names_.push_back(name);
        e2e::RemoveFromSystemFolder(name);
        return name;
    }

private:
    std::vector<std::string> names_;
};

// A browser's second download in a folder with spaces, started with a path argument; and a
// user folder whose name the Japanese code page cannot hold.
TEST_F(Install, FindsItselfWhateverItsFolderNameAndArguments) {
    struct Case {
        const char* folder;  // UTF-8
        const char* file;
        const char* arguments;
    } cases[] = {
        {"my downloads", "setup (1).exe", "C:\\some\\argument"},
        {"Zo\xC3\xAB \xED\x95\x9C\xEA\xB8\x80", "setup.exe", ""},  // Zoë 한글
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        scratch::Folder parent("awkward");
        std::wstring folder = e2e::Wide(parent.path() + "\\" + c.folder);
        std::wstring exe = folder + L"\\" + e2e::Wide(c.file);
        Bytes saver = SampleSaver();
        std::string written = e2e::WriteInstaller(parent, Name("e2e_awkward.scr"), saver);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(MoveFileW(e2e::Wide(written).c_str(), exe.c_str()));

        e2e::RunResult run = e2e::RunToCompletion(e2e::Utf8(exe.c_str()), c.arguments);

        EXPECT_TRUE(run.window.found);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(saver, scratch::Read(Installed("e2e_awkward.scr")));
        DeleteFileW(exe.c_str());
        RemoveDirectoryW(folder.c_str());
    }
}

// Names with a trail byte of 0x5C, a backslash to every code page but 932, land and are
// registered under themselves whatever the process's code page: the system's (this runs under
// Japanese and English, 932 and 1252) and UTF-8. The third takes a character from each part of
// the code page: symbols, Cyrillic, half-width katakana, both levels of kanji, NEC row 13, the
// NEC-selected and the IBM extensions.
TEST_F(Install, JapaneseNamesLandUnderThemselvesOnAnyCodePage) {
    struct Case {
        const char* name;  // code page 932, as in the package
        const char* utf8;
    } cases[] = {
        {"e2e_\x83\x5C\x83\x74\x83\x67.scr", "e2e_\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.scr"},
        {"\x95\x5C\x8E\xA6\x8F\x5C.scr", "\xE8\xA1\xA8\xE7\xA4\xBA\xE5\x8D\x81.scr"},
        {"\x81\x5C\x84\x40\xBF\xCC\xC4\x9B\x5C\xE0\x5C\x87\x5C\xED\x5C\xEE\x5C\xFA\x5C\xFB\x5C\xFC"
         "\x4B.scr",
         "\xE2\x80\x95\xD0\x90\xEF\xBD\xBF\xEF\xBE\x8C\xEF\xBE\x84\xE5\xAA\xBE\xE6\xBF\xAC\xE2\x85"
         "\xA8\xE5\x81\x86\xE7\xA0\xA1\xE7\xBA\x8A\xE7\x8A\xBE\xE9\xBB\x91.scr"},
    };  // ソフト, 表示十, ―Аｿﾌﾄ媾濬Ⅸ偆砡纊犾黑
    scratch::Folder stubs("stubs");
    Bytes utf8Stub = e2e::Utf8CodePageStub(stubs);
    ASSERT_FALSE(utf8Stub.empty());
    for (bool utf8 : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.utf8) + (utf8 ? " under UTF-8" : ""));
            e2e::ResetRegistration();
            scratch::Folder folder("dbcs");
            Bytes saver = SampleSaver();
            e2e::RunResult run = e2e::RunToCompletion(
                e2e::WriteInstaller(folder, Name(c.name), saver, utf8 ? utf8Stub : Bytes()));
            EXPECT_EQ(L"情報", run.reportCaption);  // registered
            EXPECT_EQ(saver, scratch::Read(e2e::RealSystemFolder() + "\\" + c.utf8));
            EXPECT_EQ(e2e::RegisteredAs(c.name), e2e::ReadRegistration());
        }
}

// Held open without delete sharing, as a running screen saver would be; or read-only.
TEST_F(Install, LeavesAnEarlierFileAloneWhenItCannotBeReplaced) {
    for (bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly ? "read-only" : "held open");
        scratch::Folder folder("busy");
        std::string name = Name("e2e_busy.scr"),
                    exe = e2e::WriteInstaller(folder, name, SampleSaver());
        Bytes previous(3000, 0x55);
        scratch::Write(Installed(name), previous);
        if (readOnly)
            SetFileAttributesA(Installed(name).c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE busy = readOnly ? nullptr
                               : CreateFileA(Installed(name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, 0, nullptr);

        e2e::RunResult run = e2e::RunToCompletion(exe);

        if (busy)
            CloseHandle(busy);
        EXPECT_FALSE(run.window.found);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(previous, scratch::Read(Installed(name)));
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
        e2e::RemoveFromSystemFolder(name);
    }
}

Bytes WithSetupBoundary(Bytes saver, size_t at) {
    Bytes marker = fixtures::Marker(BuildSetupBoundary);
    saver.insert(saver.begin() + static_cast<long>(at), marker.begin(), marker.end());
    return saver;
}

// Every package that breaks a rule ends quietly with code 0. An earlier file under the name,
// where the name can have one, changes only when a new file is written.
TEST_F(Install, BrokenPackagesNeverCrashAndWriteOnlyWhatIsSafe) {
    Bytes saver = SampleSaver(), splashCut = fixtures::SplashDib(48, 32);
    splashCut.resize(splashCut.size() / 2);  // rows cut: the header promises more than is there
    // The longest name whose target path fits in 259 bytes, and one byte more.
    std::string longest(kPathBufferSize - 6 - e2e::RealSystemFolder().size(), 'L');
    struct Case {
        const char* what;
        std::string name;  // a name of 260 bytes fills the field without its zero byte
        Bytes saver;
        bool cutLastByte, window, written;
    } cases[] = {
        {"second SetupBoundary inside", "e2e_b1.scr", WithSetupBoundary(saver, 100), 0, 1, 1},
        {"N past the end", "e2e_b2.scr", fixtures::HeaderOnlySaver(2000, 500, 0, 0, 108), 0, 1, 1},
        {"splash rows cut short", "e2e_b3.scr", fixtures::SaverImage(1000, splashCut), 0, 1, 1},
        {"target path of 259 bytes", longest + ".scr", saver, 0, 1, 1},
        {"no SaverBoundary (download cut short)", "e2e_b4.scr", Bytes(&saver[0], &saver[2000]), 0,
         0, 0},
        {"fewer than 306 bytes after P", "e2e_b5.scr", {}, 1, 0, 0},
        {"name without its zero byte", std::string(kSaverNameFieldLength, 'n'), saver, 0, 0, 0},
        {"name climbing out", "..\\e2e_b6.scr", saver, 0, 0, 0},
        {"name no code page 932 text", "e2e_\x85\x40.scr", saver, 0, 0, 0},  // an empty row
        {"target path of 260 bytes", longest + "L.scr", saver, 0, 0, 0},
    };
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string climbed = std::string(windows) + "\\e2e_b6.scr";
    DeleteFileA(climbed.c_str());  // a failed earlier run may have left it
    Bytes stub = scratch::Read(scratch::SetupExePath());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string& name = c.name;
        bool plain =
            name.find('\\') == std::string::npos && Installed(name).size() < kPathBufferSize;
        Bytes earlier(777, 0x33);
        if (plain)
            scratch::Write(Installed(Name(name)), earlier);
        scratch::Folder folder("broken");
        Bytes file = fixtures::RawInstaller(stub, fixtures::NameField(name), c.saver);
        file.resize(file.size() - c.cutLastByte);

        scratch::Write(folder / "setup.exe", file);
        e2e::RunResult run = e2e::RunToCompletion(folder / "setup.exe");

        EXPECT_TRUE(run.exited);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(c.window, run.window.found);
        if (plain) {
            EXPECT_EQ(c.written ? c.saver : earlier, scratch::Read(Installed(name)));
        }
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
    EXPECT_FALSE(scratch::Exists(climbed));
    DeleteFileA(climbed.c_str());
}

}  // namespace
