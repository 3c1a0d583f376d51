#include "tools/cli/files.h"

#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>

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

// Only a file is read: a device such as CON would wait for the keyboard, NUL give nothing.
static FILE* OpenFile(const std::string& path, const char* mode) {
    FILE* file = _wfopen(Wide(path).c_str(), Wide(mode).c_str());
    if (file && mode[0] == 'r' &&
        GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) != FILE_TYPE_DISK) {
        fclose(file);
        errno = ENODEV;
        return nullptr;
    }
    return file;
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
// Only a file is read: a device or a pipe may never end (/dev/zero) or never begin (a FIFO
// nobody writes to), and a folder opens here but gives nothing.
static FILE* OpenFile(const std::string& path, const char* mode) {
    struct stat status;
    if (mode[0] == 'r' && stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : ENODEV;
        return nullptr;
    }
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
// What is read and written at a time: the tool's memory does not grow with the file.
static const size_t kPiece = size_t{1} << 20;

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
    if (error == ENODEV)
        return Say(Text::kNotAFile);
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
    // Room for the whole file at once: grown as it is read, it could take up to twice its size.
    bytes->reserve(static_cast<size_t>(total));
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

FileSource::~FileSource() {
    Close();
}

void FileSource::Close() {
    if (file_)
        fclose(file_);
    file_ = nullptr;
}

bool FileSource::Open(const std::string& path, std::string* reason) {
    Close();
    file_ = OpenFile(path, "rb");
    if (!file_) {
        *reason = SystemReason(errno);
        return false;
    }
#ifdef _WIN32
    __int64 size = _filelengthi64(_fileno(file_));
#else
    struct stat status;
    off_t size = fstat(fileno(file_), &status) == 0 ? status.st_size : -1;
#endif
    if (size < 0) {
        *reason = SystemReason(errno);
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(size);
    at_ = 0;
    path_ = path;
    return true;
}

bool FileSource::Read(uint64_t offset, size_t length, uint8_t* out) const {
#ifdef _WIN32
    bool placed = offset == at_ || _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    bool placed = offset == at_ || fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
    size_t got = placed ? fread(out, 1, length, file_) : 0;
    at_ = offset + got;
    if (got == length)
        return true;
    // A file cut short since it was opened reads to its end without an error.
    failure_ = !placed || ferror(file_) ? SystemReason(errno) : Say(Text::kFileChanged);
    clearerr(file_);
    at_ = UINT64_MAX;
    return false;
}

bool ScanFile(const std::string& path, const FileSource& file, ScannedSource* scan,
              std::string* reason) {
    uint64_t total = file.Size(), done = 0;
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<uint64_t>(total, kPiece)));
    bool progress = ShowsProgress(total), more = total > 0;
    while (more) {
        size_t length = static_cast<size_t>(std::min<uint64_t>(total - done, kPiece));
        if (!file.Read(done, length, piece.data())) {
            *reason = file.Failure();
            return false;
        }
        more = scan->Feed(piece.data(), length);
        done += length;
        if (progress && (done % kStep == 0 || !more))
            ShowProgress(Text::kReading, path, more ? done : total, total);
    }
    return true;
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

// The temporary file beside the output while it is written: removed on every way out but
// Keep, an exception included, and by the handlers of the signals that end the tool.
class Partial {
public:
    Partial(const std::string& path, uint64_t total)
        : path_(path), temporary_(path + ".partial"), total_(total) {}
    Partial(const Partial&) = delete;
    Partial& operator=(const Partial&) = delete;
    ~Partial() {
        if (file_)
            fclose(file_);
        if (g_partialExists)
            RemoveFile(temporary_);
        g_partialExists = 0;
    }

    bool Create(std::string* reason) {
        if (temporary_.size() >= sizeof g_partialPath) {
            *reason = Say(Text::kPathTooLong, {path_});
            return false;
        }
        WatchForEarlyEnd();
        memcpy(g_partialPath, temporary_.c_str(), temporary_.size() + 1);
#ifdef _WIN32
        std::wstring wide = Wide(temporary_);
        if (wide.size() >= sizeof g_partialWide / sizeof g_partialWide[0]) {
            *reason = Say(Text::kPathTooLong, {path_});
            return false;
        }
        memcpy(g_partialWide, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
#endif
        g_partialExists = 1;  // before the file appears: a signal may come the moment it does
        file_ = CreatePartial(temporary_.c_str());
        if (!file_) {
            g_partialExists = 0;  // whatever holds that name is not ours to remove
            *reason = Say(Text::kCannotCreate, {temporary_, SystemReason(errno)});
        }
        return file_ != nullptr;
    }

    // At `offset`, which may lie past the end: the gap is written later.
    bool WriteAt(uint64_t offset, const uint8_t* bytes, size_t length, std::string* reason) {
#ifdef _WIN32
        bool placed = _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
        bool placed = fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
        return placed ? Write(bytes, length, reason) : Failed(reason, errno);
    }

    bool Write(const uint8_t* bytes, size_t length, std::string* reason) {
        if (length == 0)
            return true;
        if (fwrite(bytes, 1, length, file_) != length)
            return Failed(reason, errno);
        uint64_t before = done_;
        done_ += length;
        if (progress_ && (done_ / kStep != before / kStep || done_ == total_))
            ShowProgress(Text::kWriting, path_, done_ < total_ ? done_ : total_, total_);
        return true;
    }

    // `input` is closed first: Windows replaces no file that is open, and the output may be
    // the input itself.
    bool Keep(FileSource& input, std::string* reason) {
        int closed = fclose(file_);
        file_ = nullptr;
        if (closed != 0)
            return Failed(reason, errno);
        input.Close();
        if (!ReplaceFile(temporary_, path_)) {
            *reason = Say(Text::kCannotRename, {temporary_, path_});
            return false;
        }
        g_partialExists = 0;
        return true;
    }

private:
    bool Failed(std::string* reason, int error) {
        *reason = Say(Text::kCannotWrite, {temporary_, SystemReason(error)});
        return false;
    }

    std::string path_, temporary_;
    uint64_t total_, done_ = 0;
    bool progress_ = ShowsProgress(total_);
    FILE* file_ = nullptr;
};

// Copies `bytes` into `partial` a piece at a time, each also given to `scan` when there is one.
static bool CopyPieces(const ByteSource& bytes, FileSource& input, ScannedSource* scan,
                       Partial* partial, std::string* reason) {
    uint64_t total = bytes.Size();
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<uint64_t>(total, kPiece)));
    for (uint64_t done = 0; done < total;) {
        size_t length = static_cast<size_t>(std::min<uint64_t>(total - done, piece.size()));
        if (!bytes.Read(done, length, piece.data())) {
            *reason = Say(Text::kCannotReadFile, {input.Path(), input.Failure()});
            return false;
        }
        if (scan)
            scan->Feed(piece.data(), length);
        if (!partial->Write(piece.data(), length, reason))
            return false;
        done += length;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const ByteSource& bytes, FileSource& input,
                         std::string* reason) {
    Partial partial(path, bytes.Size());
    return partial.Create(reason) && CopyPieces(bytes, input, nullptr, &partial, reason) &&
           partial.Keep(input, reason);
}

bool WriteAroundFile(const std::string& path, FileSource& input, ScannedSource* scan,
                     uint64_t headSize, uint64_t tailSize, const Finish& finish,
                     std::string* reason, const std::vector<uint8_t>* last) {
    Partial partial(path, headSize + input.Size() + tailSize);
    std::vector<uint8_t> head, tail;
    if (!partial.Create(reason))
        return false;
    // The head's room is left as a gap, filled once the scan has told what goes there.
    if (headSize > 0 && !partial.WriteAt(headSize, nullptr, 0, reason))
        return false;
    if (!CopyPieces(input, input, scan, &partial, reason))
        return false;
    if (!finish(&head, &tail)) {
        reason->clear();
        return false;
    }
    if (head.size() != headSize || tail.size() + (last ? last->size() : 0) != tailSize) {
        *reason = Say(Text::kCannotWrite, {path + ".partial", SystemReason(EINVAL)});
        return false;
    }
    return partial.Write(tail.data(), tail.size(), reason) &&
           (!last || partial.Write(last->data(), last->size(), reason)) &&
           partial.WriteAt(0, head.data(), head.size(), reason) && partial.Keep(input, reason);
}
