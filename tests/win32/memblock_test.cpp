#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "support/memblock.h"

namespace {

// The test pattern's first `n` bytes, zero from `zeroFrom` on.
std::vector<BYTE> Pattern(DWORD n, DWORD zeroFrom = ~0u) {
    std::vector<BYTE> bytes(n);
    for (DWORD i = 0; i < n && i < zeroFrom; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + 1);
    return bytes;
}

bool Holds(const void* at, const std::vector<BYTE>& bytes) {
    return memcmp(at, bytes.data(), bytes.size()) == 0;
}

// Fresh pages are zero anyway and would hide a missing fill; the next allocation of this size
// tends to reuse the freed non-zero block.
void DirtyHeapFor(DWORD size) {
    void* block = GlobalAlloc(GMEM_FIXED, size);
    memset(block, 0xA5, size);
    GlobalFree(block);
}

// The operations of one kind of block, with `live` telling a block from a freed one. `bytes`
// leaves a handle block locked, which its operations must cope with.
enum { kPointer, kHandle, kVirtual };
struct Kind {
    const char* name;
    void* (*alloc)(DWORD);
    DWORD (*length)(const void*);
    BYTE* (*bytes)(void*);
    void* (*copy)(const void*);
    void (*free)(void**);
    bool (*live)(void*);
};
const Kind kKinds[] = {
    {"pointer", [](DWORD s) { return AllocPtr(s); }, [](const void* p) { return GetPtrLen(p); },
     [](void* p) { return static_cast<BYTE*>(p); }, [](const void* p) { return GetPtrCopy(p); },
     [](void** p) { FreePtr(p); }, [](void* p) { return GlobalSize(p) && GlobalHandle(p) == p; }},
    {"handle", [](DWORD s) -> void* { return AllocH(s); },
     [](const void* h) { return static_cast<DWORD>(GlobalSize(const_cast<void*>(h))); },
     [](void* h) { return static_cast<BYTE*>(GlobalLock(h)); },
     [](const void* h) -> void* { return GetCopyH(const_cast<void*>(h)); },
     [](void** h) { FreeH(h); }, [](void* h) { return GlobalFlags(h) != GMEM_INVALID_HANDLE; }},
    {"virtual", [](DWORD s) { return AllocVirPtr(s); },
     [](const void* b) { return GetVirPtrLen(b); }, [](void* b) { return static_cast<BYTE*>(b); },
     [](const void* b) { return GetVirPtrCopy(b); }, [](void** b) { FreeVirPtr(b); },
     [](void* b) { return b && !IsBadReadPtr(b, 1); }},
};

}  // namespace

// Alloc, copy and free, row by row: size 0 gives 1 byte, blocks come zero-filled however dirty
// the heap, a copy is another block alike, a free releases it and clears the caller's variable.
TEST(MemBlocks, AllocCopyAndFree) {
    struct Case {
        int kind;
        DWORD size, length;
    } cases[] = {{kPointer, 0, 1},       {kPointer, 256, 256},  {kPointer, 100000, 100000},
                 {kHandle, 0, 1},        {kHandle, 256, 256},   {kVirtual, 0, 4096},
                 {kVirtual, 4096, 4096}, {kVirtual, 4097, 8192}};  // whole pages of 4 KiB
    for (const Case& c : cases) {
        const Kind& k = kKinds[c.kind];
        SCOPED_TRACE(testing::Message() << k.name << " " << c.size);
        DirtyHeapFor(c.length);
        void* block = k.alloc(c.size);
        ASSERT_EQ(c.length, k.length(block));
        EXPECT_TRUE(Holds(k.bytes(block), Pattern(c.length, 0)));
        EXPECT_EQ(c.kind != kHandle, k.bytes(block) == block);  // a handle is no address
        // From inside a virtual block, the length runs from the address on.
        if (c.kind == kVirtual) {
            EXPECT_EQ(c.length - 1, GetVirPtrLen(k.bytes(block) + 1));
        }
        memcpy(k.bytes(block), Pattern(c.length).data(), c.length);
        void* copy = k.copy(block);
        EXPECT_NE(block, copy);
        ASSERT_EQ(c.length, k.length(copy));
        EXPECT_TRUE(Holds(k.bytes(copy), Pattern(c.length)));
        k.free(&copy);
        void* original = block;
        k.free(&block);
        EXPECT_FALSE(k.live(original));
        EXPECT_EQ(nullptr, block);
        k.free(&block);
        k.free(nullptr);
    }
}

// Pointer blocks resize to the size asked (rounded up to a unit, 1 meaning ReAllocPtr),
// virtual ones to 64 KiB granules; rounding past 32 bits fails and keeps the block.
TEST(MemBlocks, ResizeKeepsContentZeroFillsGrowthAndFreesAMovedBlock) {
    enum { kStays, kMoves, kFails };
    struct Case {
        int kind;
        DWORD unit, from, to, length, kept;  // from 0: resize null
        int outcome;
    } cases[] = {
        {kPointer, 1, 16, 200, 200, 16, kMoves},
        {kPointer, 1, 200, 5, 5, 5, kMoves},
        {kPointer, 1, 300, 300, 300, 300, kStays},
        {kPointer, 1, 1, 0, 1, 0, kMoves},  // 0 is compared before it becomes 1
        {kPointer, 1, 0, 50, 50, 0, kMoves},
        {kPointer, 8, 16, 10, 16, 16, kStays},
        {kPointer, 8, 0, 17, 24, 0, kMoves},
        {kPointer, 0, 0, 10, 10, 0, kMoves},  // unit 0: no rounding
        {kPointer, 0, 0, 0, 1, 0, kMoves},
        {kPointer, 8, 12, 0xFFFFFFFF, 12, 12, kFails},
        {kVirtual, 1, 65536, 100, 65536, 65536, kStays},
        {kVirtual, 1, 65536, 65537, 131072, 65536, kMoves},
        {kVirtual, 1, 131072, 1, 65536, 65536, kMoves},
        {kVirtual, 1, 0, 65537, 131072, 0, kMoves},
        {kVirtual, 1, 12, 0xFFFF0001, 4096, 12, kFails},
    };
    for (const Case& c : cases) {
        const Kind& k = kKinds[c.kind];
        SCOPED_TRACE(testing::Message() << k.name << " " << c.from << " to " << c.to);
        void* block = c.from ? k.alloc(c.from) : nullptr;
        if (block)
            memcpy(block, Pattern(c.from).data(), c.from);
        DirtyHeapFor(c.length);
        void* resized = c.kind == kVirtual ? ReAllocVirPtr(block, c.to)
                        : c.unit == 1      ? ReAllocPtr(block, c.to)
                                           : ReAllocPtr2(block, c.to, c.unit);
        EXPECT_EQ(c.outcome == kFails, resized == nullptr);
        EXPECT_EQ(c.outcome != kMoves, k.live(block));
        void* now = resized ? resized : block;
        EXPECT_EQ(c.outcome == kMoves, now != block);
        ASSERT_EQ(c.length, k.length(now));
        EXPECT_TRUE(Holds(now, Pattern(c.length, c.kept)));
        k.free(&now);
    }
}

TEST(MemBlocks, AddressSpaceThatIsNoBlockGivesZeroOrNull) {
    void* noAccess = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_READWRITE);
    void* released = AllocVirPtr(1);
    void* stale = released;
    FreeVirPtr(&released);
    for (void* address : {static_cast<void*>(nullptr), noAccess}) {
        EXPECT_EQ(0u, GetPtrLen(address));
        EXPECT_EQ(nullptr, GetPtrCopy(address));
        EXPECT_EQ(0, CalcCheckSum(address, 3) | CalcCheckSum2(address, 3));
        void* fresh = ReAllocPtr(address, 8);
        EXPECT_EQ(8u, GetPtrLen(fresh));
        FreePtr(&fresh);
        FreePtr(&address);  // frees nothing, but clears the variable
        EXPECT_EQ(nullptr, address);
    }
    for (void* address : {static_cast<void*>(nullptr), stale, reserved}) {
        EXPECT_EQ(0u, GetVirPtrLen(address));
        EXPECT_EQ(nullptr, GetVirPtrCopy(address));
    }
    EXPECT_EQ(nullptr, ReAllocVirPtr(stale, 100));
    EXPECT_EQ(0, FreeVirPtr(&released));
    FreePtr(static_cast<void**>(noAccess));  // an unreadable variable is left alone
    EXPECT_FALSE(GetCopyH(nullptr) || PtrToHandle(nullptr) || HandleFromPtr(nullptr) ||
                 HandleToPtr(nullptr) || PtrFromHandle(nullptr));
    VirtualFree(reserved, 0, MEM_RELEASE);
    VirtualFree(noAccess, 0, MEM_RELEASE);
}

// Each conversion copies the content into the other kind; PtrTo and HandleTo free the source.
TEST(MemBlocks, ConversionsCopyTheContentAndFreeTheSourceOnlyWhenTheyMoveIt) {
    const Kind &pointers = kKinds[kPointer], &handles = kKinds[kHandle];
    void* pointer = AllocPtr(50);
    memcpy(pointer, Pattern(50).data(), 50);
    HGLOBAL kept = HandleFromPtr(pointer);
    EXPECT_TRUE(pointers.live(pointer));
    HGLOBAL moved = PtrToHandle(pointer);
    EXPECT_FALSE(pointers.live(pointer));
    void* fromKept = PtrFromHandle(kept);
    EXPECT_TRUE(handles.live(kept));
    void* fromMoved = HandleToPtr(moved);
    EXPECT_FALSE(handles.live(moved));
    for (void* copy : {fromKept, fromMoved}) {
        EXPECT_EQ(50u, GetPtrLen(copy));
        EXPECT_TRUE(Holds(copy, Pattern(50)));
        FreePtr(&copy);
    }
    FreeH(&kept);
}

// Bytes count as signed; the second sum weighs each by its index. EqualPtr compares `length`.
TEST(MemBlocks, SumsAndComparison) {
    struct Case {
        const char *bytes, *other;
        DWORD length;
        LONG sum, weighted, equal;
    } cases[] = {{"abc", "abc", 3, 294, 296, 1},   {"\xFF\xFF", "\xFF\xFE", 2, -2, -1, 0},
                 {"\x80", "\x7F", 1, -128, 0, 0},  {"\x7F\x80", "\x7F\x80", 2, -1, -128, 1},
                 {"abcX", "abcY", 3, 294, 296, 1}, {"xbc", "abc", 3, 317, 296, 0},
                 {"abc", "xyz", 0, 0, 0, 1}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.sum, CalcCheckSum(c.bytes, c.length)) << c.bytes;
        EXPECT_EQ(c.weighted, CalcCheckSum2(c.bytes, c.length)) << c.bytes;
        EXPECT_EQ(c.equal, EqualPtr(c.bytes, c.other, c.length)) << c.bytes;
    }
    EXPECT_EQ(1, EqualPtr(nullptr, nullptr, 0));
    // 127 * (0 + 1 + ... + 8299) = 4,373,987,950, which is 79,020,654 once wrapped.
    const std::vector<char> bytes(8300, 0x7F);
    EXPECT_EQ(127 * 8300, CalcCheckSum(bytes.data(), 8300));
    EXPECT_EQ(79020654, CalcCheckSum2(bytes.data(), 8300));
}
