#include <gtest/gtest.h>

#include "support/unique_names.h"
#include "tests/fixtures/scratch.h"

namespace {

// The rules are tested natively; here, the probes against real files and the local clock.
TEST(Names, ComeFromRealFilesAndTheLocalClock) {
    scratch::Folder folder("names");
    std::string file = folder / "file.txt";
    scratch::Write(file, {1});
    scratch::Write(folder / "file0.doc", {1});  // a file of any extension holds a number
    CreateDirectoryA((folder / "file1").c_str(), nullptr);  // and so does a folder
    char path[kPathBufferSize], hour[16];
    lstrcpyA(path, file.c_str());
    EXPECT_EQ(1, MakeNumberedFileName(path));
    EXPECT_EQ(folder / "file2.txt", path);

    // A stamp of the local time down to the hour (minutes, seconds, milliseconds left out), in
    // the folder given.
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfA(hour, "%04u%02u%02u_%02u", now.wYear, now.wMonth, now.wDay, now.wHour);
    ASSERT_EQ(1, MakeUniqueTempName(folder.path().c_str(), path));
    EXPECT_EQ(folder.path() + "\\" + hour + ".TMP",
              std::string(path).erase(lstrlenA(path) - 11, 7));
}

// Cut short (its source runs into memory that cannot be read), a write leaves no file at all.
TEST(WriteBuffer, AShortWriteLeavesNoFile) {
    scratch::Folder folder("write");
    scratch::BufferRunningIntoNoAccess source(100, 0x4E);
    EXPECT_EQ(0, WriteBufferToFile((folder / "a.bin").c_str(), source.start(), 5000));
    EXPECT_TRUE(scratch::List(folder.path()).empty());
}

}  // namespace
