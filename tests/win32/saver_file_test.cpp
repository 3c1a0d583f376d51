#include <gtest/gtest.h>

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
