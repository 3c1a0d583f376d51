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
    char path[kPathBufferSize], temp[MAX_PATH], hour[16];
    lstrcpyA(path, file.c_str());
    EXPECT_EQ(1, MakeNumberedFileName(path));
    EXPECT_EQ(folder / "file2.txt", path);

    // A stamp of the local time down to the hour (minutes, seconds, milliseconds left out), in
    // an existing folder, else in the temporary one.
    auto stamped = [](const std::string& given) {
        char name[kPathBufferSize] = {};
        MakeUniqueTempName(given.c_str(), name);
        return std::string(name).erase(lstrlenA(name) - 11, 7);
    };
    SYSTEMTIME now;
    GetLocalTime(&now);
    wsprintfA(hour, "%04u%02u%02u_%02u", now.wYear, now.wMonth, now.wDay, now.wHour);
    GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(folder.path() + "\\" + hour + ".TMP", stamped(folder.path()));
    EXPECT_EQ(temp + std::string(hour) + ".TMP", stamped(file));
}

// A write cut short (its source runs into memory that cannot be read) leaves no file at all.
TEST(WriteBuffer, ReplacesAFileWholeOrLeavesNone) {
    scratch::Folder folder("write");
    std::string file = folder / "a.bin";
    scratch::Write(file, scratch::Bytes(9000, 0x6F));
    scratch::Bytes bytes(5000, 0x4E);
    EXPECT_EQ(1, WriteBufferToFile(file.c_str(), bytes.data(), 5000));
    EXPECT_EQ(bytes, scratch::Read(file));
    scratch::BufferRunningIntoNoAccess source(100, 0x4E);
    EXPECT_EQ(0, WriteBufferToFile(file.c_str(), source.start(), 5000));
    EXPECT_FALSE(scratch::Exists(file));
}

}  // namespace
