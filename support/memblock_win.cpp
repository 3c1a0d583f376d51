#include "support/memblock.h"

#include <string.h>

// Sizes of 0 become 1 so every block has an address of its own.
static DWORD AtLeastOne(DWORD size) {
    return size ? size : 1;
}

static bool IsReadable(const void* address) {
    return address && !IsBadReadPtr(address, 1);
}

// Handle blocks ---------------------------------------------------------------------------

HGLOBAL WINAPI AllocH(DWORD size) {
    return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, AtLeastOne(size));
}

void WINAPI FreeH(HGLOBAL* handle) {
    if (!handle || !*handle)
        return;
    for (UINT locks = GlobalFlags(*handle) & GMEM_LOCKCOUNT; locks > 0; --locks) {
        GlobalUnlock(*handle);
    }
    GlobalFree(*handle);
    *handle = nullptr;
}

HGLOBAL WINAPI GetCopyH(HGLOBAL handle) {
    if (!handle)
        return nullptr;
    SIZE_T size = GlobalSize(handle);
    // The copy gets the source's allocation attributes (bits 8-15 of its flags).
    UINT flags = (GlobalFlags(handle) >> 8) & 0xFF;
    HGLOBAL copy = GlobalAlloc(flags, size);
    if (!copy || size == 0)
        return copy;
    void* from = GlobalLock(handle);
    void* to = GlobalLock(copy);
    if (from && to)
        memcpy(to, from, size);
    if (from)
        GlobalUnlock(handle);
    if (to)
        GlobalUnlock(copy);
    return copy;
}

// Virtual blocks --------------------------------------------------------------------------

void* WINAPI AllocVirPtr(DWORD size) {
    return VirtualAlloc(nullptr, AtLeastOne(size), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

LONG WINAPI FreeVirPtr(void** block) {
    if (!block || !*block)
        return 0;
    LONG released = VirtualFree(*block, 0, MEM_RELEASE);
    *block = nullptr;
    return released;
}

DWORD WINAPI GetVirPtrLen(const void* block) {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(block, &info, sizeof info))
        return 0;
    // The query also describes free and reserved address space (null included), which is no
    // block: reading it as one would copy from pages that are not there.
    if (info.State != MEM_COMMIT)
        return 0;
    // The region is counted from its first page, but copies start at the address itself.
    const BYTE* end = static_cast<const BYTE*>(info.BaseAddress) + info.RegionSize;
    return static_cast<DWORD>(end - static_cast<const BYTE*>(block));
}

void* WINAPI GetVirPtrCopy(const void* block) {
    DWORD length = GetVirPtrLen(block);
    if (!length)
        return nullptr;
    void* copy = AllocVirPtr(length);
    if (copy)
        memcpy(copy, block, length);
    return copy;
}

void* WINAPI ReAllocVirPtr(void* block, DWORD size) {
    const DWORD granule = 0x10000;
    DWORD wanted = AtLeastOne(size);
    // A request that cannot be rounded up within 32 bits fails rather than shrinking to one
    // granule, which would hand back far less than was asked for.
    if (wanted > 0xFFFFFFFFu - (granule - 1))
        return nullptr;
    DWORD rounded = (wanted + granule - 1) & ~(granule - 1);
    if (!block)
        return AllocVirPtr(rounded);
    DWORD current = GetVirPtrLen(block);
    if (!current)
        return nullptr;
    if (rounded == current)
        return block;
    void* moved = AllocVirPtr(rounded);
    if (!moved)
        return nullptr;
    memcpy(moved, block, rounded < current ? rounded : current);
    VirtualFree(block, 0, MEM_RELEASE);
    return moved;
}

// Pointer blocks --------------------------------------------------------------------------

void* WINAPI AllocPtr(DWORD size) {
    return GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, AtLeastOne(size));
}

void WINAPI FreePtr(void** pointer) {
    if (!pointer || IsBadReadPtr(pointer, 1) || !*pointer)
        return;
    // An unreadable block is not freed, but the variable is cleared all the same.
    if (IsReadable(*pointer))
        GlobalFree(*pointer);
    *pointer = nullptr;
}

DWORD WINAPI GetPtrLen(const void* pointer) {
    if (!IsReadable(pointer))
        return 0;
    return static_cast<DWORD>(GlobalSize(const_cast<void*>(pointer)));
}

void* WINAPI ReAllocPtr(void* pointer, DWORD size) {
    if (!IsReadable(pointer))
        return AllocPtr(size);
    DWORD length = GetPtrLen(pointer);
    if (size == length)
        return pointer;
    void* moved = AllocPtr(size);
    if (!moved)
        return nullptr;
    memcpy(moved, pointer, size < length ? size : length);
    void* old = pointer;
    FreePtr(&old);
    return moved;
}

void* WINAPI ReAllocPtr2(void* pointer, DWORD size, DWORD unit) {
    // A unit of 0 means no rounding (the division would be by zero); a rounding that would
    // pass 32 bits fails, leaving the block as it is, instead of wrapping to a tiny size.
    if (unit == 0)
        unit = 1;
    DWORD wanted = AtLeastOne(size);
    if (wanted > 0xFFFFFFFFu - (unit - 1))
        return nullptr;
    DWORD rounded = (wanted + unit - 1) / unit * unit;
    return ReAllocPtr(pointer, rounded);
}

void* WINAPI GetPtrCopy(const void* pointer) {
    if (!IsReadable(pointer))
        return nullptr;
    DWORD length = GetPtrLen(pointer);
    // Exactly the source's length, 0 included (unlike AllocPtr).
    void* copy = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, length);
    if (copy)
        memcpy(copy, pointer, length);
    return copy;
}

// Conversions -----------------------------------------------------------------------------

static void* PointerFromHandle(HGLOBAL handle, bool freeHandle) {
    void* content = GlobalLock(handle);
    if (!content)
        return nullptr;
    SIZE_T size = GlobalSize(handle);
    void* pointer = AllocPtr(static_cast<DWORD>(size));
    if (pointer)
        memcpy(pointer, content, size);
    GlobalUnlock(handle);
    if (pointer && freeHandle)
        GlobalFree(handle);
    return pointer;
}

void* WINAPI HandleToPtr(HGLOBAL handle) {
    return PointerFromHandle(handle, true);
}

void* WINAPI PtrFromHandle(HGLOBAL handle) {
    return PointerFromHandle(handle, false);
}

static HGLOBAL HandleFromPointer(void* pointer, bool freePointer) {
    if (!pointer)
        return nullptr;
    SIZE_T size = GlobalSize(pointer);
    if (!size)
        return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!handle)
        return nullptr;
    void* content = GlobalLock(handle);
    if (!content) {
        GlobalFree(handle);
        return nullptr;
    }
    memcpy(content, pointer, size);
    GlobalUnlock(handle);
    if (freePointer)
        FreePtr(&pointer);
    return handle;
}

HGLOBAL WINAPI PtrToHandle(void* pointer) {
    return HandleFromPointer(pointer, true);
}

HGLOBAL WINAPI HandleFromPtr(const void* pointer) {
    return HandleFromPointer(const_cast<void*>(pointer), false);
}

// Comparison and checksums ----------------------------------------------------------------

LONG WINAPI EqualPtr(const void* a, const void* b, DWORD length) {
    return memcmp(a, b, length) == 0 ? 1 : 0;
}

LONG WINAPI CalcCheckSum(const void* address, DWORD length) {
    if (!IsReadable(address))
        return 0;
    const signed char* bytes = static_cast<const signed char*>(address);
    DWORD sum = 0;  // unsigned, so the wrap-around is defined
    for (DWORD i = 0; i < length; ++i)
        sum += static_cast<DWORD>(static_cast<LONG>(bytes[i]));
    return static_cast<LONG>(sum);
}

LONG WINAPI CalcCheckSum2(const void* address, DWORD length) {
    if (!IsReadable(address))
        return 0;
    const signed char* bytes = static_cast<const signed char*>(address);
    DWORD sum = 0;
    for (DWORD i = 0; i < length; ++i)
        sum += static_cast<DWORD>(static_cast<LONG>(bytes[i])) * i;
    return static_cast<LONG>(sum);
}
