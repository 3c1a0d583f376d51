#include "tools/cli/files.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include "tools/cli/console.h"
#include "tools/core/texts.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

// The temporary file being written, removed should the tool be stopped before it is renamed
// into place (Ctrl+C, a termination request, a file size limit); the earlier output stays.
static char g_partialPath[4096];
static volatile sig_atomic_t g_partialExists = 0;

#ifdef _WIN32
// The tool's paths are UTF-8; Windows takes any file name as UTF-16, whatever its code page.
static std::wstring Wide(const std::string& path) {
    int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], length);
    wide.resize(wide.size() - 1);
    return wide;
}

static FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

static int RemoveFile(const std::string& path) {
    return _wremove(Wide(path).c_str());
}

static wchar_t g_partialWide[4096];

static BOOL WINAPI RemovePartialOnConsoleEvent(DWORD) {
    if (g_partialExists)
        DeleteFileW(g_partialWide);
    return FALSE;  // and end as the system ends a console program
}

static void WatchForEarlyEnd() {
    static bool watching = false;
    if (!watching)
        watching = SetConsoleCtrlHandler(RemovePartialOnConsoleEvent, TRUE) != 0;
}

// Shared for deletion, so the console handler's thread can remove it while it is being written.
static FILE* CreatePartial(const char*) {
    HANDLE handle = CreateFileW(g_partialWide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(descriptor, "wb");
    if (!file)
        _close(descriptor);
    return file;
}
#else
static FILE* OpenFile(const std::string& path, const char* mode) {
    return fopen(path.c_str(), mode);
}

static int RemoveFile(const std::string& path) {
    return remove(path.c_str());
}

static void RemovePartialOnSignal(int signal) {
    if (g_partialExists)
        unlink(g_partialPath);
    struct sigaction usual = {};
    usual.sa_handler = SIG_DFL;
    sigaction(signal, &usual, nullptr);
    raise(signal);
}

static void WatchForEarlyEnd() {
    static bool watching = false;
    if (watching)
        return;
    struct sigaction handler = {};
    handler.sa_handler = RemovePartialOnSignal;
    sigemptyset(&handler.sa_mask);
    struct sigaction before;
    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &handler, nullptr);
    watching = true;
}

static FILE* CreatePartial(const char* path) {
    return fopen(path, "wb");
}
#endif

// Large files take seconds to read and write: an author at a terminal sees a line of progress on
// standard error; redirected, it stays clean.
static const uint64_t kLongWork = uint64_t{64} << 20;
static const size_t kStep = size_t{8} << 20;

static bool ShowsProgress(uint64_t total) {
    return total >= kLongWork && isatty(fileno(stderr));
}

static void ShowProgress(Text doing, const std::string& path, uint64_t done, uint64_t total) {
    char percent[8];
    snprintf(percent, sizeof percent, "%3u%%", static_cast<unsigned>(done * 100 / total));
    Show(stderr,
         "\rmake-installer: " + Say(doing, {path}) + ": " + percent + (done >= total ? "\n" : ""));
}

// The reasons an author meets most, in the author's language; the rest as the system says them.
static std::string SystemReason(int error) {
    if (error == ENOENT)
        return Say(Text::kNoSuchFile);
    if (error == EACCES)
        return Say(Text::kAccessDenied);
    return strerror(error);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* reason) {
    FILE* file = OpenFile(path, "rb");
    if (!file) {
        *reason = SystemReason(errno);
        return false;
    }
    bytes->clear();
    uint64_t total = FileSizeOf(path);
    bool progress = ShowsProgress(total);
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
        if (progress && (bytes->size() % kStep < got || bytes->size() >= total))
            ShowProgress(Text::kReading, path, bytes->size() < total ? bytes->size() : total,
                         total);
    }
    bool failed = ferror(file) != 0;
    if (failed)
        *reason = SystemReason(errno);
    fclose(file);
    return !failed;
}

uint64_t FileSizeOf(const std::string& path) {
#ifdef _WIN32
    // The C library's stat() here has a 32-bit size.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
#else
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? static_cast<uint64_t>(status.st_size) : 0;
#endif
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat status;
    return stat(path.c_str(), &status) == 0;
#endif
}

#ifdef _WIN32
static bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
    HANDLE file =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return rename(from.c_str(), to.c_str()) == 0;
#endif
}

bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                         std::string* reason) {
    std::string temporary = path + ".partial";
    if (temporary.size() >= sizeof g_partialPath) {
        *reason = Say(Text::kPathTooLong, {path});
        return false;
    }
    WatchForEarlyEnd();
    memcpy(g_partialPath, temporary.c_str(), temporary.size() + 1);
#ifdef _WIN32
    std::wstring wide = Wide(temporary);
    if (wide.size() >= sizeof g_partialWide / sizeof g_partialWide[0]) {
        *reason = Say(Text::kPathTooLong, {path});
        return false;
    }
    memcpy(g_partialWide, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
#endif
    g_partialExists = 1;  // before the file appears: a signal may come the moment it does
    FILE* file = CreatePartial(temporary.c_str());
    if (!file) {
        g_partialExists = 0;
        *reason = Say(Text::kCannotCreate, {temporary, SystemReason(errno)});
        return false;
    }
    bool progress = ShowsProgress(bytes.size());
    bool written = true;
    for (size_t done = 0; written && done < bytes.size();) {
        size_t step = bytes.size() - done < kStep ? bytes.size() - done : kStep;
        written = fwrite(bytes.data() + done, 1, step, file) == step;
        done += step;
        if (progress && written)
            ShowProgress(Text::kWriting, path, done, bytes.size());
    }
    int error = errno;
    if (fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        RemoveFile(temporary);
        g_partialExists = 0;
        *reason = Say(Text::kCannotWrite, {temporary, SystemReason(error)});
        return false;
    }
    bool renamed = ReplaceFile(temporary, path);
    if (!renamed) {
        *reason = Say(Text::kCannotRename, {temporary, path});
        RemoveFile(temporary);
    }
    g_partialExists = 0;
    return renamed;
}
