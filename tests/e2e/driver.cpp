#include "tests/e2e/driver.h"

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

}  // namespace e2e
