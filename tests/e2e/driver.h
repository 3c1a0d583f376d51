#pragma once
// What the end-to-end tests add to the installer driver: the test prefix's system folder and
// the screen saver registration as the user's profile holds it.

#include <string>
#include <vector>

#include "tests/fixtures/scratch.h"
#include "runner/installer_driver.h"

namespace e2e {

using scratch::Bytes;

// Names are code page 932 text, as in a package; paths come back as UTF-8 for scratch::.
std::string Installed(const std::string& name);  // the name in the real system folder
// Deletes a screen saver the tests put into the system folder, and any installer's leftover.
void RemoveFromSystemFolder(const std::string& name);
// The installers' files of new bytes and kept copies in the system folder (UTF-8 names).
std::vector<std::string> KeptAsideFiles();

// Writes folder\setup.exe: the built setup.exe (or `stub`) carrying `saver` under
// `saverFileName`, after taking any file of that name out of the system folder. Gives its path.
std::string WriteInstaller(const scratch::Folder& folder, const std::string& saverFileName,
                           const Bytes& saver, const Bytes& stub = {});

// The built setup.exe whose manifest asks for UTF-8 as its code page, as the system-wide UTF-8
// option of Windows gives every program. Empty when it cannot be made.
Bytes Utf8CodePageStub(const scratch::Folder& folder);

// Makes ReadRegistration() give "none | none | off".
void ResetRegistration();
// What a completed install registers for the file `name` in the system folder.
std::string RegisteredAs(const std::string& name);

// The entry of Apps & features for the screen saver file `name` (code page 932), as its key
// under the system's uninstall key is named: "<name without extension> スクリーンセーバー".
std::wstring EntryName(const std::string& name);
// A value of that entry (text, or a number in decimal); "(absent)" when it or the entry is.
std::wstring EntryValue(const std::string& name, const wchar_t* value);
// How often Wine's "uninstaller --list" names the entry, as Apps & features would list it.
int TimesListed(const std::string& name);
// Runs the entry's command as Apps & features does, answers its question with `answer` and
// the box that follows with OK.
struct RemovalRun {
    BoxSeen question, said;
    DWORD exitCode = 99;
};
RemovalRun RunEntryCommand(const std::string& name, int answer);
// The last file the system is to delete at its next start; empty when there is none.
std::wstring LastDeletionAtStart();
// Deletes the entry and the folder its removal program lies in.
void RemoveEntry(const std::string& name);

// The exit code once the process has ended, or 99 when it does not end in time.
DWORD ExitCode(InstallerProcess& installer);

}  // namespace e2e
