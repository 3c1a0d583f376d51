#pragma once
// What the end-to-end tests add to the installer driver: the test prefix's system folder.

#include <string>
#include <vector>

#include "tests/fixtures/scratch.h"
#include "tools/installer_driver.h"

namespace e2e {

using scratch::Bytes;

// Deletes a screen saver the tests put into the system folder, and any file kept aside.
void RemoveFromSystemFolder(const std::string& name);
std::vector<std::string> KeptAsideFiles();

// Writes folder\setup.exe: the built setup.exe carrying `saver` under `saverFileName`, after
// taking any file of that name out of the system folder. Gives its path.
std::string WriteInstaller(const scratch::Folder& folder, const std::string& saverFileName,
                           const Bytes& saver);

}  // namespace e2e
