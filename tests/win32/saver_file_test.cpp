#include <gtest/gtest.h>

#include <algorithm>

#include "installer/saver_file.h"
#include "tests/fixtures/scratch.h"

namespace {

using scratch::Bytes;

// A write that stops short (its source runs into memory that cannot be read) takes the new
// file away and brings an earlier one back, with no copy of it left beside it.
TEST(SaverFile, AShortWriteLeavesTheFolderAsItWas) {
    scratch::BufferRunningIntoNoAccess source(100, 0x4E);
    for (bool earlier : {false, true}) {
        SCOPED_TRACE(earlier ? "an earlier file" : "no earlier file");
        scratch::Folder folder("saver");
        std::string target = folder / "stars.scr";
        scratch::Bytes old(earlier ? 2500 : 0, 0x6F);
        if (earlier)
            scratch::Write(target, old);
        wchar_t copy[kOwnPathSize] = L"stale";
        EXPECT_FALSE(WriteSaverFile(scratch::WidePath(target).c_str(), source.start(), 5000, copy));
        EXPECT_STREQ(L"", copy);
        EXPECT_EQ(old, scratch::Read(target));
        EXPECT_EQ(earlier ? 1u : 0u, scratch::List(folder.path()).size());
    }
}

// Files of other screen savers' installs, of older installers and of the user, beside ours.
const char* const kForeign[] = {"moon.scr.~new", "moon.scr.~old", "SSV1A.tmp", "stars.scr.old",
                                "stars.scr~new"};

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// What a killed run left is seen to by the next install of the same screen saver: its partial
// new file goes, and its kept copy is the user's earlier file, which comes back on No and goes
// once the new file is confirmed. Nothing else in the folder is touched.
TEST(SaverFile, AKilledRunsLeftoversAreSeenToAndNothingElse) {
    const Bytes earlier(2500, 0x6F), unfinished(3000, 0x11), partial(1000, 0x22), saver(5000, 0x4E);
    struct Case {
        const char* moment;
        const Bytes* atName;  // what the killed run left under the name
        bool partialLeft, keptLeft;
    } cases[] = {
        {"killed while writing, no earlier file", nullptr, true, false},
        {"killed while writing", &earlier, true, false},
        {"killed between the renames", nullptr, true, true},
        {"killed at the question", &unfinished, false, true},
    };
    for (const auto& c : cases)
        for (bool confirmed : {true, false}) {
            SCOPED_TRACE(std::string(c.moment) + (confirmed ? ", confirmed" : ", declined"));
            scratch::Folder folder("leftovers");
            std::string target = folder / "stars.scr";
            std::vector<std::string> expected(std::begin(kForeign), std::end(kForeign));
            for (const char* name : kForeign)
                scratch::Write(folder / name, Bytes(10, 0x46));
            if (c.atName)
                scratch::Write(target, *c.atName);
            if (c.partialLeft)
                scratch::Write(target + ".~new", partial);
            if (c.keptLeft)
                scratch::Write(target + ".~old", earlier);
            bool hadEarlier = c.keptLeft || c.atName;

            std::wstring wide = scratch::WidePath(target);
            wchar_t copy[kOwnPathSize];
            ASSERT_TRUE(WriteSaverFile(wide.c_str(), saver.data(), 5000, copy));
            EXPECT_EQ(saver, scratch::Read(target));
            if (confirmed) {
                DiscardPreviousFile(copy);
            } else {
                EXPECT_TRUE(RemoveInstalledFile(wide.c_str(), copy));
            }

            EXPECT_STREQ(L"", copy);
            if (confirmed || hadEarlier)
                expected.push_back("stars.scr");
            EXPECT_EQ(Sorted(expected), Sorted(scratch::List(folder.path())));
            EXPECT_EQ(confirmed ? saver : hadEarlier ? earlier : Bytes(), scratch::Read(target));
            for (const char* name : kForeign)
                EXPECT_EQ(Bytes(10, 0x46), scratch::Read(folder / name)) << name;
        }
}

// A file of new bytes or a kept copy that is held open belongs to an installer of the same
// screen saver that is running: a second one changes nothing and ends.
TEST(SaverFile, ASecondInstallerOfTheSameSaverChangesNothing) {
    for (const char* held : {".~new", ".~old"}) {
        SCOPED_TRACE(held);
        scratch::Folder folder("held");
        std::string target = folder / "stars.scr", own = target + held;
        Bytes earlier(2500, 0x6F), theirs(700, 0x33), saver(5000, 0x4E);
        scratch::Write(target, earlier);
        scratch::Write(own, theirs);
        // As the running installer holds each: writing the one, keeping the other.
        HANDLE hold =
            CreateFileW(scratch::WidePath(own).c_str(), held[2] == 'n' ? GENERIC_WRITE : DELETE,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hold);
        wchar_t copy[kOwnPathSize];
        EXPECT_FALSE(WriteSaverFile(scratch::WidePath(target).c_str(), saver.data(), 5000, copy));
        CloseHandle(hold);
        EXPECT_STREQ(L"", copy);
        EXPECT_EQ(earlier, scratch::Read(target));
        EXPECT_EQ(theirs, scratch::Read(own));
        EXPECT_EQ(2u, scratch::List(folder.path()).size());
    }
}

// The program's own import of FlushFileBuffers, so a test can see what reaches the disk when.
extern "C" BOOL(WINAPI* g_flushImport)(HANDLE) __asm__("__imp__FlushFileBuffers@4");
BOOL(WINAPI* g_realFlush)(HANDLE);
std::string g_flushTarget;
Bytes g_atNameWhenFlushed;
DWORD g_sizeWhenFlushed;

BOOL WINAPI SeeFlush(HANDLE file) {
    g_sizeWhenFlushed = GetFileSize(file, nullptr);
    g_atNameWhenFlushed = scratch::Read(g_flushTarget);
    return g_realFlush(file);
}

// All the new bytes are flushed before the name holds them: a power cut after the rename
// finds the whole file, not zeros.
TEST(SaverFile, TheNewBytesAreFlushedBeforeTheNameHoldsThem) {
    scratch::Folder folder("flush");
    g_flushTarget = folder / "stars.scr";
    Bytes earlier(2500, 0x6F), saver(70000, 0x4E);
    scratch::Write(g_flushTarget, earlier);
    DWORD protection;
    ASSERT_TRUE(VirtualProtect(&g_flushImport, sizeof g_flushImport, PAGE_READWRITE, &protection));
    g_realFlush = g_flushImport;
    g_flushImport = SeeFlush;
    wchar_t copy[kOwnPathSize];
    BOOL written =
        WriteSaverFile(scratch::WidePath(g_flushTarget).c_str(), saver.data(), 70000, copy);
    g_flushImport = g_realFlush;
    EXPECT_TRUE(written);
    EXPECT_EQ(70000u, g_sizeWhenFlushed);
    EXPECT_EQ(earlier, g_atNameWhenFlushed);
    DiscardPreviousFile(copy);
}

}  // namespace
