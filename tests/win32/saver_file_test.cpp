#include <gtest/gtest.h>

#include "installer/saver_file.h"
#include "tests/fixtures/scratch.h"

namespace {

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
        wchar_t copy[MAX_PATH] = L"stale";
        EXPECT_FALSE(WriteSaverFile(scratch::WidePath(target).c_str(), source.start(), 5000, copy));
        EXPECT_STREQ(L"", copy);
        EXPECT_EQ(old, scratch::Read(target));
        EXPECT_EQ(earlier ? 1u : 0u, scratch::List(folder.path()).size());
    }
}

}  // namespace
