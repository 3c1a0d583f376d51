#include "tests/e2e/driver.h"

#include "tests/fixtures/synthetic_saver.h"

namespace e2e {

void RemoveFromSystemFolder(const std::string& name) {
    std::string path = RealSystemFolder() + "\\" + name;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    for (const auto& kept : KeptAsideFiles())
        DeleteFileA((RealSystemFolder() + "\\" + kept).c_str());
}

std::vector<std::string> KeptAsideFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((RealSystemFolder() + "\\SSV*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string WriteInstaller(const scratch::Folder& folder, const std::string& saverFileName,
                           const Bytes& saver) {
    RemoveFromSystemFolder(saverFileName);
    std::string path = folder / "setup.exe";
    scratch::Write(path, fixtures::RawInstaller(scratch::Read(scratch::SetupExePath()),
                                                fixtures::NameField(saverFileName), saver));
    return path;
}

}  // namespace e2e
