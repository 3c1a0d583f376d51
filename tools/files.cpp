#include "tools/files.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#endif

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        *reason = strerror(errno);
        return false;
    }
    bytes->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + got);
    bool failed = ferror(file) != 0;
    if (failed)
        *reason = strerror(errno);
    fclose(file);
    return !failed;
}

bool FileExists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

#ifdef _WIN32
static bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = GetFileInformationByHandle(file, info) != 0;
    CloseHandle(file);
    return known;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    return FileIdentity(a, &first) && FileIdentity(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
#else
bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first, second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
#endif

// rename() on Windows refuses to replace an existing file.
static bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* reason) {
    std::string temporary = path + ".partial";
    FILE* file = fopen(temporary.c_str(), "wb");
    if (!file) {
        *reason = "cannot create " + temporary + ": " + strerror(errno);
        return false;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int error = errno;
    if (fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        remove(temporary.c_str());
        *reason = "cannot write " + temporary + ": " + strerror(error);
        return false;
    }
    if (!ReplaceFile(temporary, path)) {
        *reason = "cannot rename " + temporary + " to " + path;
        remove(temporary.c_str());
        return false;
    }
    return true;
}
