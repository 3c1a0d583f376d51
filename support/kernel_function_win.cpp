#include "support/kernel_function_win.h"

// Out of line: one call in place of two at every place that looks a function up.
__attribute__((noinline)) void* FindKernelProcedure(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), name));
}
