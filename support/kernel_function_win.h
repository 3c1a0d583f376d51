#pragma once
// A kernel32 function that older Windows lacks, found when it is needed; null where it is
// missing, so a call can fall back to what those systems have.

#include <windows.h>

void* FindKernelProcedure(const char* name);

template <typename Function>
Function FindKernelFunction(const char* name) {
    return reinterpret_cast<Function>(FindKernelProcedure(name));
}
