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

// The three kinds of block and their operations.
enum Kind { kPointer, kHandle, kVirtual };

void* Alloc(Kind k, DWORD size) {
    return k == kPointer ? AllocPtr(size) : k == kHandle ? AllocH(size) : AllocVirPtr(size);
}

DWORD Length(Kind k, void* block) {
    return k == kPointer  ? GetPtrLen(block)
           : k == kHandle ? GlobalSize(block)
                          : GetVirPtrLen(block);
}

void* Copy(Kind k, void* block) {
    return k == kPointer  ? GetPtrCopy(block)
           : k == kHandle ? GetCopyH(block)
                          : GetVirPtrCopy(block);
}

void Free(Kind k, void** block) {
    k == kPointer ? FreePtr(block) : k == kHandle ? FreeH(block) : (void)FreeVirPtr(block);
}

// Tells a block from a freed one, right after the operation (a later one may reuse it).
bool Live(Kind k, void* block) {
    return k == kPointer  ? GlobalSize(block) && GlobalHandle(block) == block
           : k == kHandle ? GlobalFlags(block) != GMEM_INVALID_HANDLE
                          : block && !IsBadReadPtr(block, 1);
}

// The content; a handle block is left locked, which FreeH must cope with.
BYTE* Bytes(Kind k, void* block) {
    return static_cast<BYTE*>(k == kHandle ? GlobalLock(block) : block);
}

}  // namespace

// Size 0 gives 1 byte (or page); blocks come zero-filled however dirty the heap; a copy is
// another block alike; Free releases the block and clears the caller's variable.
TEST(MemBlocks, AllocCopyAndFree) {
    struct Case {
        Kind kind;
        DWORD size, length;
    } cases[] = {{kPointer, 0, 1},       {kPointer, 256, 256},  {kPointer, 100000, 100000},
                 {kHandle, 0, 1},        {kHandle, 256, 256},   {kVirtual, 0, 4096},
                 {kVirtual, 4096, 4096}, {kVirtual, 4097, 8192}};  // whole pages of 4 KiB
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << ": " << c.size);
        DirtyHeapFor(c.length);
        void* block = Alloc(c.kind, c.size);
        ASSERT_EQ(c.length, Length(c.kind, block));
        EXPECT_TRUE(Holds(Bytes(c.kind, block), Pattern(c.length, 0)));
        // From inside a virtual block, the length runs from the address on.
        if (c.kind == kVirtual) {
            EXPECT_EQ(c.length - 1, GetVirPtrLen(Bytes(c.kind, block) + 1));
        }
        memcpy(Bytes(c.kind, block), Pattern(c.length).data(), c.length);
        void* copy = Copy(c.kind, block);
        EXPECT_NE(block, copy);
        ASSERT_EQ(c.length, Length(c.kind, copy));
        EXPECT_TRUE(Holds(Bytes(c.kind, copy), Pattern(c.length)));
        Free(c.kind, &copy);
        void* original = block;
        Free(c.kind, &block);
        EXPECT_FALSE(Live(c.kind, original));
        EXPECT_EQ(nullptr, block);
        Free(c.kind, &block);  // does nothing
    }
}

// Pointer blocks resize to the size asked (rounded up to a unit, 1 meaning ReAllocPtr),
// virtual ones to 64 KiB granules; rounding past 32 bits fails and keeps the block.
TEST(MemBlocks, ResizeKeepsContentZeroFillsGrowthAndFreesAMovedBlock) {
    enum { kStays, kMoves, kFails };
    struct Case {
        Kind kind;
        DWORD unit, from, to, length, kept;  // from 0: resize null
        int outcome;
    } cases[] = {{kPointer, 1, 16, 200, 200, 16, kMoves},
                 {kPointer, 1, 200, 5, 5, 5, kMoves},
                 {kPointer, 1, 1, 0, 1, 0, kMoves},  // 0 is compared before it becomes 1
                 {kPointer, 8, 16, 10, 16, 16, kStays},
                 {kPointer, 0, 0, 0, 1, 0, kMoves},  // unit 0: no rounding
                 {kPointer, 8, 0, 17, 24, 0, kMoves},
                 {kPointer, 8, 12, 0xFFFFFFFF, 12, 12, kFails},
                 {kVirtual, 1, 65536, 100, 65536, 65536, kStays},
                 {kVirtual, 1, 65536, 65537, 131072, 65536, kMoves},
                 {kVirtual, 1, 12, 0xFFFF0001, 4096, 12, kFails}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << ": " << c.from << " to " << c.to);
        void* block = c.from ? Alloc(c.kind, c.from) : nullptr;
        if (block)
            memcpy(block, Pattern(c.from).data(), c.from);
        DirtyHeapFor(c.length);
        void* resized = c.kind == kVirtual ? ReAllocVirPtr(block, c.to)
                        : c.unit == 1      ? ReAllocPtr(block, c.to)
                                           : ReAllocPtr2(block, c.to, c.unit);
        EXPECT_EQ(c.outcome, !resized ? kFails : resized == block ? kStays : kMoves);
        EXPECT_EQ(c.outcome != kMoves, Live(c.kind, block));
        void* now = resized ? resized : block;
        ASSERT_EQ(c.length, Length(c.kind, now));
        EXPECT_TRUE(Holds(now, Pattern(c.length, c.kept)));
        Free(c.kind, &now);
    }
}

// Null, a released block and reserved address space; none can be read.
TEST(MemBlocks, AddressSpaceThatIsNoBlockGivesZeroOrNull) {
    void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_READWRITE);
    void* released = AllocVirPtr(1);
    void* stale = released;
    FreeVirPtr(&released);
    for (void* address : {static_cast<void*>(nullptr), stale, reserved}) {
        EXPECT_EQ(0u, GetPtrLen(address) + GetVirPtrLen(address));
        EXPECT_EQ(nullptr, GetPtrCopy(address));
        EXPECT_EQ(nullptr, GetVirPtrCopy(address));
        EXPECT_EQ(0, CalcCheckSum(address, 3) | CalcCheckSum2(address, 3));
        FreePtr(&address);  // frees nothing, but clears the variable
        EXPECT_EQ(nullptr, address);
    }
    EXPECT_EQ(nullptr, ReAllocVirPtr(stale, 100));
    EXPECT_EQ(0, FreeVirPtr(&released));
    EXPECT_FALSE(GetCopyH(nullptr) || PtrToHandle(nullptr) || HandleToPtr(nullptr));
    VirtualFree(reserved, 0, MEM_RELEASE);
}

// Each conversion copies the content into the other kind; PtrTo and HandleTo free the source.
TEST(MemBlocks, ConversionsCopyTheContentAndFreeTheSourceOnlyWhenTheyMoveIt) {
    void* pointer = AllocPtr(50);
    memcpy(pointer, Pattern(50).data(), 50);
    HGLOBAL kept = HandleFromPtr(pointer), moved = PtrToHandle(pointer);
    EXPECT_FALSE(Live(kPointer, pointer));
    void* copies[] = {PtrFromHandle(kept), HandleToPtr(moved)};
    EXPECT_TRUE(Live(kHandle, kept));
    EXPECT_FALSE(Live(kHandle, moved));
    for (void* copy : copies) {
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
}
