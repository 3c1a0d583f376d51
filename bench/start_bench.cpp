// Times an installer's start under Wine against what the platform does anyway, from one
// process, so that Wine's cost of starting a program is on both sides:
//   start_bench extract PAIRS SETUP.EXE SAVER.SCR NAME
//       start to the screen saver completely written (closed), against `cmd /c copy` of the
//       same bytes into the same folder; one line per pair: extract, pair, setup ms, copy ms
//   start_bench floor PAIRS SETUP.EXE SAVER.SCR NAME FLOOR.EXE
//       start to the screen saver at its full size in the system folder, as a user sees it,
//       against the floor program (floor_install) writing the same bytes; one line per pair:
//       floor, pair, setup ms, floor ms
//   start_bench memory SETUP.EXE SAVER.SCR NAME
//       the installer's peak private memory up to its question: memory, peak bytes, the
//       measure used, then as a cross-check the highest PagefileUsage seen and the
//       PeakPagefileUsage the counters give at the question
//   start_bench paint PAIRS SETUP.EXE SAVER.SCR NAME BLANK.EXE
//       start to the first full paint on the screen, against blank_window's one paint; one
//       line per pair: paint, pair, setup ms, blank ms
// NAME is the screen saver's file name in the system folder. Exit status 1 when a run does not
// go as it should (nothing is measured then), 2 for a wrong command line.

#include <windows.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "bench/blank_window.h"
#include "render/layout.h"
#include "runner/installer_driver.h"

namespace {

const DWORD kTimeoutMs = 120000;      // a run of the largest screen saver on a busy machine
const DWORD kPaintTimeoutMs = 20000;  // a paint that never matches fails in good time

LARGE_INTEGER Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

double MillisecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (Now().QuadPart - start.QuadPart) / frequency.QuadPart;
}

bool Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "start_bench: %s: %s (error %lu)\n", what, detail.c_str(), GetLastError());
    return false;
}

// Size of a file, or -1 when there is none.
long long FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(e2e::Wide(path).c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The screen saver's size, or -1 (said on stderr) when it cannot be read.
long long SaverSize(const std::string& saver) {
    long long size = FileSize(saver);
    if (size < 0)
        Fail("cannot read the screen saver", saver);
    return size;
}

// The next run must find no file there, or the installer would first move it aside.
bool RemoveTarget(const std::string& target) {
    DeleteFileW(e2e::Wide(target).c_str());
    return FileSize(target) < 0 || Fail("cannot remove", target);
}

struct Child {
    HANDLE process = nullptr;
    DWORD id = 0;
};

bool Start(const std::string& commandLine, Child* child) {
    std::wstring line = e2e::Wide(commandLine);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return Fail("cannot start", commandLine);
    CloseHandle(info.hThread);
    child->process = info.hProcess;
    child->id = info.dwProcessId;
    return true;
}

// Ends a child that is still running and waits until it is gone.
void Stop(Child* child) {
    if (!child->process)
        return;
    if (WaitForSingleObject(child->process, 0) != WAIT_OBJECT_0)
        TerminateProcess(child->process, 99);
    WaitForSingleObject(child->process, 10000);
    CloseHandle(child->process);
    child->process = nullptr;
}

// Answers the question with No (the installer then removes the file itself) and waits for the
// installer to end.
bool AnswerNo(Child* installer) {
    e2e::BoxSeen box = e2e::WaitForProcessBox(installer->id, installer->process, kTimeoutMs);
    if (!box.box)
        return Fail("no question came", "");
    e2e::InstallerProcess::Press(box, IDNO);
    if (WaitForSingleObject(installer->process, kTimeoutMs) != WAIT_OBJECT_0)
        return Fail("the installer did not end after No", "");
    return true;
}

// Whether the writer has let go of the file: an open that shares reading only fails while
// someone holds it open for writing.
bool WriterDone(const std::string& path) {
    HANDLE file = CreateFileW(e2e::Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// Start of `commandLine` to the file at its full size, as a user sees it, and closed by its
// writer when `closed` asks for that too.
bool TimeWrite(const std::string& commandLine, const std::string& target, long long size,
               bool closed, Child* child, double* ms) {
    LARGE_INTEGER start = Now();
    if (!Start(commandLine, child))
        return false;
    // A writer that ends between two looks has its file looked at once more.
    for (bool ended = false;;) {
        if (FileSize(target) == size && (!closed || WriterDone(target))) {
            *ms = MillisecondsSince(start);
            return true;
        }
        if (ended || MillisecondsSince(start) > kTimeoutMs)
            return Fail("the screen saver was not written", target);
        ended = WaitForSingleObject(child->process, 1) == WAIT_OBJECT_0;
    }
}

// The installer's run: timed as `closed` says, then answered No and the file removed.
bool TimeExtraction(const std::string& setup, const std::string& target, long long size,
                    bool closed, double* ms) {
    Child installer;
    bool ok = TimeWrite("\"" + setup + "\"", target, size, closed, &installer, ms) &&
              AnswerNo(&installer);
    Stop(&installer);
    return ok && RemoveTarget(target);
}

bool TimeFloor(const std::string& floor, const std::string& setup, long long offset,
               const std::string& target, long long size, double* ms) {
    Child writer;
    bool ok = TimeWrite(
        "\"" + floor + "\" \"" + setup + "\" " + std::to_string(offset) + " \"" + target + "\"",
        target, size, false, &writer, ms);
    DWORD status = 1;
    ok = ok && WaitForSingleObject(writer.process, kTimeoutMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(writer.process, &status) && status == 0;
    Stop(&writer);
    return (ok || Fail("the floor program failed", floor)) && RemoveTarget(target);
}

bool TimeCopy(const std::string& saver, const std::string& target, long long size, double* ms) {
    Child copy;
    LARGE_INTEGER start = Now();
    if (!Start("cmd /c copy /b /y \"" + saver + "\" \"" + target + "\" >NUL", &copy))
        return false;
    DWORD status = 1;
    bool ended = WaitForSingleObject(copy.process, kTimeoutMs) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(copy.process, &status);
    *ms = MillisecondsSince(start);
    Stop(&copy);
    if (!ended || status != 0 || FileSize(target) != size)
        return Fail("cmd /c copy did not copy", saver);
    return RemoveTarget(target);
}

// Times `pairs` pairs, one line each (label, pair, setup ms, other ms), after an untimed pair
// that only brings both programs and the files into the cache. Alternating which side goes
// first spreads a slow spell of the machine over both.
template <typename TimeSetup, typename TimeOther>
int TimePairs(const char* label, int pairs, TimeSetup timeSetup, TimeOther timeOther) {
    for (int pair = 0; pair <= pairs; ++pair) {
        double setupMs = 0, otherMs = 0;
        bool ok = pair % 2 ? timeSetup(&setupMs) && timeOther(&otherMs)
                           : timeOther(&otherMs) && timeSetup(&setupMs);
        if (!ok)
            return 1;
        if (pair == 0)
            continue;
        printf("%s\t%d\t%.1f\t%.1f\n", label, pair, setupMs, otherMs);
        fflush(stdout);
    }
    return 0;
}

int Extract(int pairs, const std::string& setup, const std::string& saver,
            const std::string& target) {
    long long size = SaverSize(saver);
    if (size < 0 || !RemoveTarget(target))
        return 1;
    return TimePairs(
        "extract", pairs, [&](double* ms) { return TimeExtraction(setup, target, size, true, ms); },
        [&](double* ms) { return TimeCopy(saver, target, size, ms); });
}

// Against the floor, both until the file has its full size: the screen saver runs to the end of
// the installer file, so it starts at the installer's size less its own.
int Floor(int pairs, const std::string& setup, const std::string& saver, const std::string& target,
          const std::string& floor) {
    long long size = SaverSize(saver), offset = FileSize(setup) - size;
    if (size < 0 || offset < 0 || !RemoveTarget(target))
        return 1;
    return TimePairs(
        "floor", pairs, [&](double* ms) { return TimeExtraction(setup, target, size, false, ms); },
        [&](double* ms) { return TimeFloor(floor, setup, offset, target, size, ms); });
}

// Private bytes summed over the committed private regions of the address space.
SIZE_T PrivateRegions(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (BYTE* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;
         at = static_cast<BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (static_cast<BYTE*>(region.BaseAddress) + region.RegionSize < at)
            break;
    }
    return total;
}

PROCESS_MEMORY_COUNTERS_EX Counters(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters;
}

long KiBetween(SIZE_T from, SIZE_T to) {
    return static_cast<long>((static_cast<long long>(to) - static_cast<long long>(from)) / 1024);
}

// Whether the counters follow memory: 64 MiB committed and touched here must show in
// PrivateUsage, and stay in PeakPagefileUsage once freed.
bool CountersFollowMemory(bool* peakKept) {
    const SIZE_T kBlock = 64 << 20;
    HANDLE self = GetCurrentProcess();
    PROCESS_MEMORY_COUNTERS_EX before = Counters(self);
    BYTE* block =
        static_cast<BYTE*>(VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!block)
        return false;
    for (SIZE_T i = 0; i < kBlock; i += 4096)
        block[i] = 1;
    PROCESS_MEMORY_COUNTERS_EX during = Counters(self);
    VirtualFree(block, 0, MEM_RELEASE);
    PROCESS_MEMORY_COUNTERS_EX after = Counters(self);
    fprintf(stderr,
            "start_bench: 64 MiB touched moves PrivateUsage %+ld KiB, PagefileUsage %+ld KiB, "
            "WorkingSetSize %+ld KiB; freed, PeakPagefileUsage %+ld KiB, PeakWorkingSetSize "
            "%+ld KiB from before\n",
            KiBetween(before.PrivateUsage, during.PrivateUsage),
            KiBetween(before.PagefileUsage, during.PagefileUsage),
            KiBetween(before.WorkingSetSize, during.WorkingSetSize),
            KiBetween(before.PeakPagefileUsage, after.PeakPagefileUsage),
            KiBetween(before.PeakWorkingSetSize, after.PeakWorkingSetSize));
    *peakKept = after.PeakPagefileUsage >= during.PrivateUsage;
    return during.PrivateUsage >= before.PrivateUsage + kBlock - kBlock / 8;
}

int Memory(const std::string& setup, const std::string& saver, const std::string& target) {
    long long size = SaverSize(saver);
    if (size < 0 || !RemoveTarget(target))
        return 1;
    bool peakKept = false;
    bool counters = CountersFollowMemory(&peakKept);
    Child installer;
    if (!Start("\"" + setup + "\"", &installer))
        return 1;
    // Sampled about every millisecond up to the question, as a peak the counters may not keep;
    // the counters' figures are printed beside it as a cross-check.
    SIZE_T peak = 0, pagefilePeak = 0;
    PROCESS_MEMORY_COUNTERS_EX read = {};
    bool asked = false;
    LARGE_INTEGER start = Now();
    while (!asked && MillisecondsSince(start) < kTimeoutMs &&
           WaitForSingleObject(installer.process, 1) != WAIT_OBJECT_0) {
        read = Counters(installer.process);
        SIZE_T now = counters ? read.PrivateUsage : PrivateRegions(installer.process);
        peak = now > peak ? now : peak;
        pagefilePeak = read.PagefileUsage > pagefilePeak ? read.PagefileUsage : pagefilePeak;
        asked = e2e::FindProcessWindow(installer.id, true) != nullptr;
    }
    if (counters && peakKept && read.PeakPagefileUsage > peak)
        peak = read.PeakPagefileUsage;
    bool ok = asked && FileSize(target) == size && AnswerNo(&installer);
    Stop(&installer);
    if (!ok) {
        Fail("no question came with the screen saver written", target);
        return 1;
    }
    printf("memory\t%lu\t%s\t%lu\t%lu\n", static_cast<unsigned long>(peak),
           counters ? "PrivateUsage" : "committed MEM_PRIVATE regions (VirtualQueryEx)",
           static_cast<unsigned long>(pagefilePeak),
           static_cast<unsigned long>(read.PeakPagefileUsage));
    return RemoveTarget(target) ? 0 : 1;
}

// Whether the far corners of the screen show `top` and `bottom`: a paint that ends in one copy
// of the whole picture has then reached the X server.
bool ScreenShows(HDC screen, COLORREF top, COLORREF bottom) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    return GetPixel(screen, 0, 0) == top && GetPixel(screen, width - 1, height - 1) == bottom;
}

// Start to the first paint of the program on the screen.
bool TimePaint(const std::string& commandLine, COLORREF top, COLORREF bottom, bool installer,
               double* ms) {
    HDC screen = GetDC(nullptr);
    // The last run's picture must be gone, or it would be taken for this one's.
    for (int i = 0; i < 500 && ScreenShows(screen, top, bottom); ++i)
        Sleep(10);
    Child child;
    bool painted = false;
    if (ScreenShows(screen, top, bottom)) {
        Fail("the screen still shows the last picture", commandLine);
    } else {
        LARGE_INTEGER start = Now();
        bool started = Start(commandLine, &child);
        while (started && !painted) {
            if (ScreenShows(screen, top, bottom)) {
                *ms = MillisecondsSince(start);
                painted = true;
            } else if (MillisecondsSince(start) > kPaintTimeoutMs ||
                       WaitForSingleObject(child.process, 1) == WAIT_OBJECT_0) {
                Fail("no paint came on the screen", commandLine);
                break;
            }
        }
    }
    ReleaseDC(nullptr, screen);
    bool ok = painted && (!installer || AnswerNo(&child));
    Stop(&child);
    return ok;
}

int Paint(int pairs, const std::string& setup, const std::string& saver, const std::string& target,
          const std::string& blank) {
    if (SaverSize(saver) < 0 || !RemoveTarget(target))
        return 1;
    int height = GetSystemMetrics(SM_CYSCREEN);
    COLORREF top = GetGradientBand(0, height).colour;
    COLORREF bottom = GetGradientBand(kBandCount - 1, height).colour;
    std::string setupLine = "\"" + setup + "\"", blankLine = "\"" + blank + "\"";
    // The installer's file goes after each of its runs, so the next one writes it anew.
    return TimePairs(
        "paint", pairs,
        [&](double* ms) {
            return TimePaint(setupLine, top, bottom, true, ms) && RemoveTarget(target);
        },
        [&](double* ms) { return TimePaint(blankLine, kBlankColour, kBlankColour, false, ms); });
}

int Usage() {
    fprintf(stderr,
            "usage: start_bench extract PAIRS SETUP.EXE SAVER.SCR NAME\n"
            "       start_bench floor PAIRS SETUP.EXE SAVER.SCR NAME FLOOR.EXE\n"
            "       start_bench memory SETUP.EXE SAVER.SCR NAME\n"
            "       start_bench paint PAIRS SETUP.EXE SAVER.SCR NAME BLANK.EXE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    std::string command = argv[1];
    std::string folder = e2e::RealSystemFolder() + "\\";
    if (command == "extract" && argc == 6 && atoi(argv[2]) > 0)
        return Extract(atoi(argv[2]), argv[3], argv[4], folder + argv[5]);
    if (command == "floor" && argc == 7 && atoi(argv[2]) > 0)
        return Floor(atoi(argv[2]), argv[3], argv[4], folder + argv[5], argv[6]);
    if (command == "memory" && argc == 5)
        return Memory(argv[2], argv[3], folder + argv[4]);
    if (command == "paint" && argc == 7 && atoi(argv[2]) > 0)
        return Paint(atoi(argv[2]), argv[3], argv[4], folder + argv[5], argv[6]);
    return Usage();
}
