// Runs one command line to its end and prints, for bench/kit_bench.py: the milliseconds from
// just before CreateProcess to the end, the exit code, and the highest PeakWorkingSetSize and
// PagefileUsage that GetProcessMemoryInfo gave while it ran, asked every millisecond. Under
// Wine the first is the process's peak resident set (VmHWM) and only grows, so the last answer
// holds the peak but for the last millisecond; it cannot be asked once the process is gone.
// Wine's PeakPagefileUsage is no peak (it equals PagefileUsage, the resident private pages),
// hence the highest PagefileUsage seen.
//   peak_memory PROGRAM [ARGS...]
//   prints "run <ms> <exit code> <peak working set bytes> <highest pagefile usage bytes>"
#include <windows.h>
#include <psapi.h>
#include <stdio.h>

#include <algorithm>
#include <string>

int main() {
    // Our own command line less our own name, quoted or not, is the one to run.
    const char* rest = GetCommandLineA();
    bool quoted = false;
    for (; *rest && (quoted || (*rest != ' ' && *rest != '\t')); ++rest)
        quoted ^= *rest == '"';
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    if (!*rest) {
        fprintf(stderr, "usage: peak_memory PROGRAM [ARGS...]\n");
        return 2;
    }
    std::string line = rest;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        fprintf(stderr, "peak_memory: cannot start %s (error %lu)\n", rest, GetLastError());
        return 2;
    }
    SIZE_T peak = 0, pagefile = 0;
    do {
        PROCESS_MEMORY_COUNTERS counters = {};
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters)) {
            peak = std::max(peak, counters.PeakWorkingSetSize);
            pagefile = std::max(pagefile, counters.PagefileUsage);
        }
    } while (WaitForSingleObject(process.hProcess, 1) == WAIT_TIMEOUT);
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("run %.1f %lu %lu %lu\n",
           static_cast<double>(end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart, code,
           static_cast<unsigned long>(peak), static_cast<unsigned long>(pagefile));
    return 0;
}
