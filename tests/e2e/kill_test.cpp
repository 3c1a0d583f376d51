#include <gtest/gtest.h>

#include <stdio.h>

#include "tests/e2e/driver.h"
#include "tests/fixtures/synthetic_saver.h"

using e2e::Bytes;
using e2e::InstallerProcess;

namespace {

long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(scratch::WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<long long>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::string Holds(const std::string& path, const Bytes& earlier, const Bytes& saver) {
    if (!scratch::Exists(path))
        return "nothing";
    Bytes bytes = scratch::Read(path);
    return bytes == earlier ? "the earlier file"
           : bytes == saver ? "the new file"
                            : "PART of a file, " + std::to_string(bytes.size()) + " bytes";
}

enum Stage { kStarted, kWriting, kAsking, kRunning };

// A large install killed (TerminateProcess: none of its code runs after it) at many moments,
// each found by what the folder shows rather than by time. After each kill the name holds the
// earlier file or the new one whole, never part of one, and the earlier bytes are in the folder;
// the next install, declined, brings the earlier file back and leaves nothing of ours. Prints
// what each kill left.
TEST(Kill, AtAnyMomentTheNameHoldsAWholeFileAndTheNextInstallCleansUp) {
    const std::string name = "e2e_crash.scr";
    const Bytes saver = fixtures::SaverImage(16 << 20, {}), earlier(1 << 20, 0xE1);
    const long long full = static_cast<long long>(saver.size());
    scratch::Folder folder("kill");
    const std::string exe = e2e::WriteInstaller(folder, name, saver);
    const std::string target = e2e::Installed(name), newCopy = target + ".~new",
                      kept = target + ".~old";
    struct Moment {
        const char* what;
        Stage stage;
        long long newBytes;  // kills once the file of new bytes holds this many
    } moments[] = {
        {"just started", kStarted, 0},           {"new file created", kWriting, 0},
        {"1/4 written", kWriting, full / 4},     {"1/2 written", kWriting, full / 2},
        {"3/4 written", kWriting, full * 3 / 4}, {"all written: flush and renames", kWriting, full},
        {"at the question", kAsking, 0},         {"after Yes, mid-progress", kRunning, 0},
    };
    printf("| Killed | New bytes seen | Name holds | Kept copy holds |\n|---|---|---|---|\n");
    for (const auto& m : moments) {
        SCOPED_TRACE(m.what);
        scratch::Write(target, earlier);
        long long seen = -1;
        {
            InstallerProcess installer(exe);
            DWORD start = GetTickCount();
            // Until the moment, or until it has passed: the name already holds the new file.
            while (m.stage == kWriting && (seen = FileSize(newCopy)) < m.newBytes &&
                   FileSize(target) != full && GetTickCount() - start < 60000) {
            }
            if (m.stage == kAsking)
                installer.WaitForBox(60000);
            if (m.stage == kRunning)
                InstallerProcess::Press(installer.WaitForBox(60000), IDYES);
        }  // the driver kills what still runs
        std::string atName = Holds(target, earlier, saver), inKept = Holds(kept, earlier, saver);
        printf("| %s | %s | %s | %s |\n", m.what,
               seen < 0 ? "-" : (std::to_string(seen >> 20) + " MiB").c_str(), atName.c_str(),
               inKept.c_str());
        EXPECT_TRUE(atName == "the earlier file" || atName == "the new file" ||
                    (atName == "nothing" && inKept == "the earlier file"))
            << atName;
        EXPECT_TRUE(atName == "the earlier file" || inKept == "the earlier file");

        InstallerProcess next(exe);
        e2e::BoxSeen question = next.WaitForBox(60000);
        ASSERT_NE(nullptr, question.box);
        InstallerProcess::Press(question, IDNO);
        EXPECT_EQ(0u, e2e::ExitCode(next));
        EXPECT_EQ(earlier, scratch::Read(target));
        EXPECT_TRUE(e2e::KeptAsideFiles().empty());
    }
    e2e::RemoveFromSystemFolder(name);
}

}  // namespace
