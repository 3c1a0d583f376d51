#pragma once
// The memory block library that setup.exe exports by name (ordinals 1-21, alphabetical),
// stdcall, undecorated names. Three kinds of block, each passed only to its own operations:
//
//   handle block   AllocH       movable zero-filled global memory; reached by locking
//   pointer block  AllocPtr     fixed zero-filled global memory; its address is its handle
//   virtual block  AllocVirPtr  committed read-write pages; length runs from the address to
//                               the end of its committed region
//
// A requested size of 0 becomes 1. The Free operations take the address of the caller's
// variable and set it to null. A resize that moves a block frees the old one; one that fails
// leaves it valid and unchanged. Programs that call setup.exe include this header and resolve
// the names with GetProcAddress (or link against an import library made from memblock.def).

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

HGLOBAL WINAPI AllocH(DWORD size);
void* WINAPI AllocPtr(DWORD size);
void* WINAPI AllocVirPtr(DWORD size);
LONG WINAPI CalcCheckSum(const void* address, DWORD length);
LONG WINAPI CalcCheckSum2(const void* address, DWORD length);
LONG WINAPI EqualPtr(const void* a, const void* b, DWORD length);
void WINAPI FreeH(HGLOBAL* handle);
void WINAPI FreePtr(void** pointer);
LONG WINAPI FreeVirPtr(void** block);
HGLOBAL WINAPI GetCopyH(HGLOBAL handle);
void* WINAPI GetPtrCopy(const void* pointer);
DWORD WINAPI GetPtrLen(const void* pointer);
void* WINAPI GetVirPtrCopy(const void* block);
DWORD WINAPI GetVirPtrLen(const void* block);
HGLOBAL WINAPI HandleFromPtr(const void* pointer);
void* WINAPI HandleToPtr(HGLOBAL handle);
void* WINAPI PtrFromHandle(HGLOBAL handle);
HGLOBAL WINAPI PtrToHandle(void* pointer);
void* WINAPI ReAllocPtr(void* pointer, DWORD size);
void* WINAPI ReAllocPtr2(void* pointer, DWORD size, DWORD unit);
void* WINAPI ReAllocVirPtr(void* block, DWORD size);

#ifdef __cplusplus
}
#endif
