// preview: runs an installer as a user who answers Yes and then OK, and saves what the screen
// shows on the way, so a screen saver author can see the install without clicking through it.
//
//   preview INSTALLER.EXE [FOLDER]
//
// Writes FOLDER\confirm.bmp (the question at the first tick), FOLDER\progress-N.bmp (during
// the run) and FOLDER\done.bmp (the closing report), and prints the boxes and the timing.
// Exit status 0 when the installer ran to its report and ended with code 0.
#include <windows.h>

#include <stdio.h>

#include <string>

#include "runner/installer_driver.h"

namespace {

std::string Utf8(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(length - 1);
    return narrow;
}

void Report(const char* when, const e2e::BoxSeen& box) {
    printf("%s: [%s] %s\n", when, Utf8(box.caption).c_str(), Utf8(box.text).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: preview INSTALLER.EXE [FOLDER]\n");
        return 2;
    }
    std::string folder = argc == 3 ? argv[2] : ".";
    CreateDirectoryA(folder.c_str(), nullptr);  // fails harmlessly when it exists
    DWORD start = GetTickCount();
    e2e::InstallerProcess installer(argv[1]);
    if (!installer.started()) {
        fprintf(stderr, "preview: cannot start %s (error %lu)\n", argv[1], installer.startError());
        return 1;
    }
    if (!installer.WaitForProgressWindow()) {
        fprintf(stderr, "preview: no progress window came\n");
        return 1;
    }
    e2e::BoxSeen confirm = installer.WaitForBox();
    if (!confirm.box) {
        fprintf(stderr, "preview: no question came\n");
        return 1;
    }
    Report("question", confirm);
    e2e::SaveBitmap(e2e::CaptureSettledScreen(), folder + "\\confirm.bmp");
    e2e::InstallerProcess::Press(confirm, IDYES);

    int frames = 0;
    while (!installer.HasBox() && frames < 8) {
        Sleep(60);
        if (installer.HasBox())
            break;
        e2e::SaveBitmap(e2e::CaptureScreen(),
                        folder + "\\progress-" + std::to_string(++frames) + ".bmp");
    }
    e2e::BoxSeen done = installer.WaitForBox();
    if (!done.box) {
        fprintf(stderr, "preview: no report came\n");
        return 1;
    }
    Report("report", done);
    e2e::SaveBitmap(e2e::CaptureSettledScreen(), folder + "\\done.bmp");
    e2e::InstallerProcess::Press(done, IDOK);

    DWORD exitCode = 1;
    if (!installer.WaitForExit(10000, &exitCode)) {
        fprintf(stderr, "preview: the installer did not end\n");
        return 1;
    }
    printf("exit code %lu after %lu ms (boxes answered at once), %d progress frames\n", exitCode,
           GetTickCount() - start, frames);
    printf("registered: %s\n", e2e::ReadRegistration().c_str());
    return exitCode == 0 ? 0 : 1;
}
