#include <gtest/gtest.h>

#include <string.h>

#include "support/memblock.h"

namespace {

// Both checks must be taken right after the operation: a later allocation may reuse the block.
bool IsLivePointerBlock(void* pointer) {
    return GlobalSize(pointer) != 0 && GlobalHandle(pointer) == pointer;
}

bool IsLiveHandle(HGLOBAL handle) {
    return GlobalFlags(handle) != GMEM_INVALID_HANDLE;
}

// Leaves a freed, non-zero block of this size on the heap, which the next allocation of the
// same size tends to reuse; fresh heap pages are zero anyway and would hide a missing fill.
void DirtyHeapFor(DWORD size) {
    void* block = GlobalAlloc(GMEM_FIXED, size);
    memset(block, 0xA5, size);
    GlobalFree(block);
}

bool AllZero(const void* address, DWORD length) {
    const BYTE* bytes = static_cast<const BYTE*>(address);
    for (DWORD i = 0; i < length; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

void FillPattern(void* address, DWORD length) {
    BYTE* bytes = static_cast<BYTE*>(address);
    for (DWORD i = 0; i < length; ++i)
        bytes[i] = static_cast<BYTE>(i * 7 + 1);
}

bool HasPattern(const void* address, DWORD length) {
    const BYTE* bytes = static_cast<const BYTE*>(address);
    for (DWORD i = 0; i < length; ++i) {
        if (bytes[i] != static_cast<BYTE>(i * 7 + 1))
            return false;
    }
    return true;
}

DWORD RegionState(const void* address) {
    MEMORY_BASIC_INFORMATION info;
    if (!VirtualQuery(address, &info, sizeof info))
        return 0;
    return info.State;
}

// A committed page that IsBadReadPtr reports as unreadable.
struct NoAccessPage {
    void* address = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    NoAccessPage() = default;
    NoAccessPage(const NoAccessPage&) = delete;
    NoAccessPage& operator=(const NoAccessPage&) = delete;
    ~NoAccessPage() { VirtualFree(address, 0, MEM_RELEASE); }
};

}  // namespace

// The helpers above are what the ownership tests stand on; they must be able to say no.
TEST(TestProbes, FreedPointerBlockIsToldFromLive) {
    void* block = GlobalAlloc(GMEM_FIXED, 40);
    EXPECT_TRUE(IsLivePointerBlock(block));
    GlobalFree(block);
    EXPECT_FALSE(IsLivePointerBlock(block));
}

TEST(TestProbes, FreedHandleIsToldFromLive) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, 40);
    EXPECT_TRUE(IsLiveHandle(handle));
    GlobalFree(handle);
    EXPECT_FALSE(IsLiveHandle(handle));
}

TEST(TestProbes, DirtiedHeapLeavesNonZeroBytesForNextAllocation) {
    DirtyHeapFor(256);
    void* block = GlobalAlloc(GMEM_FIXED, 256);
    bool dirty = !AllZero(block, 256);
    GlobalFree(block);
    EXPECT_TRUE(dirty);
}

// Pointer blocks ---------------------------------------------------------------------------

TEST(PointerBlocks, AllocZeroGivesReadableZeroFilledByte) {
    DirtyHeapFor(1);
    void* block = AllocPtr(0);
    ASSERT_NE(nullptr, block);
    EXPECT_FALSE(IsBadReadPtr(block, 1));
    EXPECT_EQ(1u, GetPtrLen(block));
    EXPECT_EQ(0, *static_cast<BYTE*>(block));
    FreePtr(&block);
}

TEST(PointerBlocks, AllocZeroFillsReusedMemory) {
    DirtyHeapFor(256);
    void* block = AllocPtr(256);
    ASSERT_NE(nullptr, block);
    EXPECT_TRUE(AllZero(block, 256));
    FreePtr(&block);
}

TEST(PointerBlocks, LengthIsRequestedSize) {
    for (DWORD size : {1u, 10u, 4096u, 100000u}) {
        void* block = AllocPtr(size);
        ASSERT_NE(nullptr, block) << size;
        EXPECT_EQ(size, GetPtrLen(block));
        FreePtr(&block);
    }
}

TEST(PointerBlocks, LengthOfNoBlockIsZero) {
    NoAccessPage page;
    EXPECT_EQ(0u, GetPtrLen(nullptr));
    EXPECT_EQ(0u, GetPtrLen(page.address));
}

TEST(PointerBlocks, ResizeToSameLengthKeepsAddress) {
    for (DWORD size : {1u, 10u, 300u}) {
        void* block = AllocPtr(size);
        FillPattern(block, size);
        EXPECT_EQ(block, ReAllocPtr(block, size)) << size;
        EXPECT_TRUE(HasPattern(block, size));
        FreePtr(&block);
    }
}

// The caller's size is compared before 0 becomes 1, so 0 on a 1-byte block still moves it.
TEST(PointerBlocks, ResizeToZeroComparesSizeBeforeRaisingToOne) {
    void* block = AllocPtr(1);
    void* resized = ReAllocPtr(block, 0);
    bool oldLive = IsLivePointerBlock(block);
    ASSERT_NE(nullptr, resized);
    EXPECT_NE(block, resized);
    EXPECT_FALSE(oldLive);
    EXPECT_EQ(1u, GetPtrLen(resized));
    FreePtr(&resized);
}

TEST(PointerBlocks, GrowthKeepsContentAndZeroFillsRest) {
    void* block = AllocPtr(16);
    FillPattern(block, 16);
    DirtyHeapFor(200);
    void* grown = ReAllocPtr(block, 200);
    ASSERT_NE(nullptr, grown);
    EXPECT_EQ(200u, GetPtrLen(grown));
    EXPECT_TRUE(HasPattern(grown, 16));
    EXPECT_TRUE(AllZero(static_cast<BYTE*>(grown) + 16, 200 - 16));
    FreePtr(&grown);
}

TEST(PointerBlocks, ShrinkKeepsLeadingContent) {
    void* block = AllocPtr(200);
    FillPattern(block, 200);
    void* shrunk = ReAllocPtr(block, 5);
    ASSERT_NE(nullptr, shrunk);
    EXPECT_EQ(5u, GetPtrLen(shrunk));
    EXPECT_TRUE(HasPattern(shrunk, 5));
    FreePtr(&shrunk);
}

TEST(PointerBlocks, MovingResizeFreesOldBlock) {
    void* block = AllocPtr(16);
    void* moved = ReAllocPtr(block, 64);
    bool oldLive = IsLivePointerBlock(block);
    ASSERT_NE(nullptr, moved);
    EXPECT_NE(block, moved);
    EXPECT_FALSE(oldLive);
    FreePtr(&moved);
}

TEST(PointerBlocks, ResizeOfNullAllocates) {
    struct Case {
        DWORD size, length;
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{50, 50}}) {
        DirtyHeapFor(c.length);
        void* block = ReAllocPtr(nullptr, c.size);
        ASSERT_NE(nullptr, block) << c.size;
        EXPECT_EQ(c.length, GetPtrLen(block)) << c.size;
        EXPECT_TRUE(AllZero(block, c.length)) << c.size;
        FreePtr(&block);
    }
}

TEST(PointerBlocks, ResizeOfUnreadableAddressAllocatesAfresh) {
    NoAccessPage page;
    void* block = ReAllocPtr(page.address, 8);
    ASSERT_NE(nullptr, block);
    EXPECT_NE(page.address, block);
    EXPECT_EQ(8u, GetPtrLen(block));
    FreePtr(&block);
}

TEST(PointerBlocks, CopyHasSameContentAtNewAddress) {
    void* block = AllocPtr(77);
    FillPattern(block, 77);
    void* copy = GetPtrCopy(block);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(block, copy);
    EXPECT_EQ(77u, GetPtrLen(copy));
    EXPECT_TRUE(HasPattern(copy, 77));
    EXPECT_TRUE(IsLivePointerBlock(block));
    FreePtr(&copy);
    FreePtr(&block);
}

TEST(PointerBlocks, CopyOfNoBlockIsNull) {
    NoAccessPage page;
    EXPECT_EQ(nullptr, GetPtrCopy(nullptr));
    EXPECT_EQ(nullptr, GetPtrCopy(page.address));
}

TEST(PointerBlocks, FreeClearsVariableAndSecondFreeDoesNothing) {
    void* block = AllocPtr(32);
    void* original = block;
    FreePtr(&block);
    bool live = IsLivePointerBlock(original);
    EXPECT_EQ(nullptr, block);
    EXPECT_FALSE(live);
    FreePtr(&block);
    EXPECT_EQ(nullptr, block);
}

TEST(PointerBlocks, FreeToleratesNullVariableAddress) {
    FreePtr(nullptr);
    NoAccessPage page;
    FreePtr(static_cast<void**>(page.address));
    SUCCEED();
}

TEST(PointerBlocks, FreeOfUnreadableBlockClearsVariableOnly) {
    NoAccessPage page;
    void* block = page.address;
    FreePtr(&block);
    EXPECT_EQ(nullptr, block);
}

// Rounded resizes ----------------------------------------------------------------------------

TEST(RoundedPointerBlocks, SizeIsRoundedUpToUnit) {
    struct Case {
        DWORD size, unit, length;
    };
    const Case cases[] = {
        {10, 8, 16},
        {0, 8, 8},
        {16, 8, 16},
        {17, 8, 24},
        {5, 1, 5},
        {7, 3, 9},
        // A unit of 0 means no rounding.
        {10, 0, 10},
        {0, 0, 1},
    };
    for (const Case& c : cases) {
        void* block = ReAllocPtr2(nullptr, c.size, c.unit);
        ASSERT_NE(nullptr, block) << c.size << "/" << c.unit;
        EXPECT_EQ(c.length, GetPtrLen(block)) << c.size << "/" << c.unit;
        FreePtr(&block);
    }
}

TEST(RoundedPointerBlocks, RoundedSizeEqualToLengthKeepsAddress) {
    void* block = AllocPtr(16);
    EXPECT_EQ(block, ReAllocPtr2(block, 10, 8));
    FreePtr(&block);
}

// Wrapping would have turned these into a 1-byte block; they fail and keep the block instead.
TEST(RoundedPointerBlocks, RoundingPastThirtyTwoBitsFailsAndKeepsBlock) {
    struct Case {
        DWORD size, unit;
    };
    for (Case c : {Case{0xFFFFFFFF, 8}, Case{0xFFFFFFF1, 16}, Case{0xFFFFFFFF, 2}}) {
        void* block = AllocPtr(12);
        FillPattern(block, 12);
        ASSERT_EQ(nullptr, ReAllocPtr2(block, c.size, c.unit)) << c.size << "/" << c.unit;
        EXPECT_TRUE(IsLivePointerBlock(block));
        EXPECT_EQ(12u, GetPtrLen(block));
        EXPECT_TRUE(HasPattern(block, 12));
        FreePtr(&block);
    }
}

// Virtual blocks ---------------------------------------------------------------------------

TEST(VirtualBlocks, AllocLengthIsWholePages) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const DWORD page = system.dwPageSize;
    struct Case {
        DWORD size, length;
    };
    for (Case c : {Case{0, page}, Case{1, page}, Case{page, page}, Case{page + 1, 2 * page}}) {
        void* block = AllocVirPtr(c.size);
        ASSERT_NE(nullptr, block) << c.size;
        EXPECT_EQ(c.length, GetVirPtrLen(block)) << c.size;
        // Inside a block, the length runs from the address on.
        EXPECT_EQ(c.length - 1, GetVirPtrLen(static_cast<char*>(block) + 1)) << c.size;
        FreeVirPtr(&block);
    }
}

TEST(VirtualBlocks, ResizeRoundsToSixtyFourKilobytes) {
    struct Case {
        DWORD size, length;
    };
    const Case cases[] = {{0, 65536}, {1, 65536}, {65536, 65536}, {65537, 131072}};
    for (const Case& c : cases) {
        void* block = ReAllocVirPtr(nullptr, c.size);
        ASSERT_NE(nullptr, block) << c.size;
        EXPECT_EQ(c.length, GetVirPtrLen(block)) << c.size;
        FreeVirPtr(&block);
    }
}

TEST(VirtualBlocks, ResizeToSameRoundedSizeKeepsAddress) {
    void* block = ReAllocVirPtr(nullptr, 65536);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(block, ReAllocVirPtr(block, 100));
    EXPECT_EQ(65536u, GetVirPtrLen(block));
    FreeVirPtr(&block);
}

TEST(VirtualBlocks, GrowthKeepsContentAndReleasesOldBlock) {
    void* block = ReAllocVirPtr(nullptr, 65536);
    FillPattern(block, 65536);
    void* grown = ReAllocVirPtr(block, 65537);
    ASSERT_NE(nullptr, grown);
    EXPECT_NE(block, grown);
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), RegionState(block));
    EXPECT_EQ(131072u, GetVirPtrLen(grown));
    EXPECT_TRUE(HasPattern(grown, 65536));
    EXPECT_TRUE(AllZero(static_cast<BYTE*>(grown) + 65536, 65536));
    FreeVirPtr(&grown);
}

TEST(VirtualBlocks, ShrinkKeepsLeadingContent) {
    void* block = ReAllocVirPtr(nullptr, 131072);
    FillPattern(block, 131072);
    void* shrunk = ReAllocVirPtr(block, 1);
    ASSERT_NE(nullptr, shrunk);
    EXPECT_EQ(65536u, GetVirPtrLen(shrunk));
    EXPECT_TRUE(HasPattern(shrunk, 65536));
    FreeVirPtr(&shrunk);
}

// Rounding these up would pass 32 bits; they fail rather than hand back one granule.
TEST(VirtualBlocks, ResizePastThirtyTwoBitsFailsAndKeepsBlock) {
    for (DWORD size : {0xFFFF0001u, 0xFFFFFFFFu}) {
        EXPECT_EQ(nullptr, ReAllocVirPtr(nullptr, size)) << size;
        void* block = ReAllocVirPtr(nullptr, 65536);
        FillPattern(block, 64);
        // Had it moved, the old block would be gone and reading it would crash the run.
        ASSERT_EQ(nullptr, ReAllocVirPtr(block, size)) << size;
        EXPECT_EQ(65536u, GetVirPtrLen(block));
        EXPECT_TRUE(HasPattern(block, 64));
        FreeVirPtr(&block);
    }
}

TEST(VirtualBlocks, CopyHasSameContentAndLength) {
    void* block = AllocVirPtr(10000);
    const DWORD length = GetVirPtrLen(block);
    FillPattern(block, length);
    void* copy = GetVirPtrCopy(block);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(block, copy);
    EXPECT_EQ(length, GetVirPtrLen(copy));
    EXPECT_TRUE(HasPattern(copy, length));
    EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), RegionState(block));
    // A copy from inside the block ends where the block does, and never reads past it.
    void* tail = GetVirPtrCopy(static_cast<char*>(block) + length - 8);
    ASSERT_NE(nullptr, tail);
    EXPECT_EQ(0, memcmp(tail, static_cast<char*>(block) + length - 8, 8));
    FreeVirPtr(&tail);
    FreeVirPtr(&copy);
    FreeVirPtr(&block);
}

TEST(VirtualBlocks, AddressSpaceThatIsNoBlockHasNoLengthAndNoCopy) {
    void* released = AllocVirPtr(100);
    ASSERT_NE(nullptr, released);
    void* stale = released;
    FreeVirPtr(&released);
    void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(nullptr, reserved);
    const void* addresses[] = {nullptr, stale, reserved};
    for (const void* address : addresses) {
        EXPECT_EQ(0u, GetVirPtrLen(address)) << address;
        EXPECT_EQ(nullptr, GetVirPtrCopy(address)) << address;
    }
    EXPECT_EQ(nullptr, ReAllocVirPtr(stale, 100));
    VirtualFree(reserved, 0, MEM_RELEASE);
}

TEST(VirtualBlocks, FreeReleasesAndClearsVariable) {
    void* block = AllocVirPtr(100);
    void* original = block;
    EXPECT_NE(0, FreeVirPtr(&block));
    EXPECT_EQ(nullptr, block);
    EXPECT_EQ(static_cast<DWORD>(MEM_FREE), RegionState(original));
    EXPECT_EQ(0, FreeVirPtr(&block));
    EXPECT_EQ(0, FreeVirPtr(nullptr));
}

// Handle blocks ----------------------------------------------------------------------------

TEST(HandleBlocks, AllocGivesZeroFilledMovableBlock) {
    struct Case {
        DWORD size, length;
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{256, 256}}) {
        DirtyHeapFor(c.length);
        HGLOBAL handle = AllocH(c.size);
        ASSERT_NE(nullptr, handle) << c.size;
        EXPECT_EQ(c.length, GlobalSize(handle)) << c.size;
        void* content = GlobalLock(handle);
        ASSERT_NE(nullptr, content);
        EXPECT_NE(handle, content) << "a movable handle is not its own address";
        EXPECT_TRUE(AllZero(content, c.length)) << c.size;
        GlobalUnlock(handle);
        FreeH(&handle);
    }
}

TEST(HandleBlocks, FreeClearsVariableAndSecondFreeDoesNothing) {
    HGLOBAL handle = AllocH(32);
    HGLOBAL original = handle;
    FreeH(&handle);
    EXPECT_EQ(nullptr, handle);
    EXPECT_FALSE(IsLiveHandle(original));
    FreeH(&handle);
    EXPECT_EQ(nullptr, handle);
    FreeH(nullptr);
}

TEST(HandleBlocks, FreeReleasesLockedBlock) {
    HGLOBAL handle = AllocH(32);
    HGLOBAL original = handle;
    GlobalLock(handle);
    GlobalLock(handle);
    FreeH(&handle);
    EXPECT_EQ(nullptr, handle);
    EXPECT_FALSE(IsLiveHandle(original));
}

TEST(HandleBlocks, CopyIsFixedMemoryWithSameContent) {
    HGLOBAL handle = AllocH(90);
    FillPattern(GlobalLock(handle), 90);
    GlobalUnlock(handle);
    HGLOBAL copy = GetCopyH(handle);
    ASSERT_NE(nullptr, copy);
    EXPECT_NE(handle, copy);
    EXPECT_EQ(90u, GlobalSize(copy));
    // The copy takes the source's allocation attributes, none for AllocH, so it is fixed.
    void* content = GlobalLock(copy);
    EXPECT_EQ(copy, content);
    EXPECT_TRUE(HasPattern(content, 90));
    GlobalUnlock(copy);
    EXPECT_EQ(0u, GlobalFlags(handle) & GMEM_LOCKCOUNT);
    FreeH(&copy);
    FreeH(&handle);
}

TEST(HandleBlocks, CopyOfNullIsNull) {
    EXPECT_EQ(nullptr, GetCopyH(nullptr));
}

// Conversions ------------------------------------------------------------------------------

TEST(BlockConversions, PtrToHandleFreesSource) {
    void* block = AllocPtr(50);
    FillPattern(block, 50);
    HGLOBAL handle = PtrToHandle(block);
    bool sourceLive = IsLivePointerBlock(block);
    ASSERT_NE(nullptr, handle);
    EXPECT_FALSE(sourceLive);
    EXPECT_EQ(50u, GlobalSize(handle));
    EXPECT_TRUE(HasPattern(GlobalLock(handle), 50));
    GlobalUnlock(handle);
    FreeH(&handle);
}

TEST(BlockConversions, HandleFromPtrKeepsSource) {
    void* block = AllocPtr(50);
    FillPattern(block, 50);
    HGLOBAL handle = HandleFromPtr(block);
    bool sourceLive = IsLivePointerBlock(block);
    ASSERT_NE(nullptr, handle);
    EXPECT_TRUE(sourceLive);
    EXPECT_TRUE(HasPattern(block, 50));
    EXPECT_EQ(50u, GlobalSize(handle));
    EXPECT_TRUE(HasPattern(GlobalLock(handle), 50));
    GlobalUnlock(handle);
    FreeH(&handle);
    FreePtr(&block);
}

TEST(BlockConversions, HandleToPtrFreesHandle) {
    HGLOBAL handle = AllocH(70);
    FillPattern(GlobalLock(handle), 70);
    GlobalUnlock(handle);
    void* block = HandleToPtr(handle);
    bool handleLive = IsLiveHandle(handle);
    ASSERT_NE(nullptr, block);
    EXPECT_FALSE(handleLive);
    EXPECT_EQ(70u, GetPtrLen(block));
    EXPECT_TRUE(HasPattern(block, 70));
    FreePtr(&block);
}

TEST(BlockConversions, PtrFromHandleKeepsHandleUnlocked) {
    HGLOBAL handle = AllocH(70);
    FillPattern(GlobalLock(handle), 70);
    GlobalUnlock(handle);
    void* block = PtrFromHandle(handle);
    ASSERT_NE(nullptr, block);
    EXPECT_TRUE(IsLiveHandle(handle));
    EXPECT_EQ(0u, GlobalFlags(handle) & GMEM_LOCKCOUNT);
    EXPECT_EQ(70u, GetPtrLen(block));
    EXPECT_TRUE(HasPattern(block, 70));
    FreePtr(&block);
    FreeH(&handle);
}

TEST(BlockConversions, NullConvertsToNull) {
    EXPECT_EQ(nullptr, PtrToHandle(nullptr));
    EXPECT_EQ(nullptr, HandleFromPtr(nullptr));
    EXPECT_EQ(nullptr, HandleToPtr(nullptr));
    EXPECT_EQ(nullptr, PtrFromHandle(nullptr));
}

// Checksums and comparison -------------------------------------------------------------------

TEST(BlockChecksums, SumsBytesAsSignedValues) {
    struct Case {
        const char* bytes;
        DWORD length;
        LONG sum, weighted;
    };
    const Case cases[] = {
        {"abc", 3, 294, 296},      {"\xFF\xFF", 2, -2, -1},
        {"\x80", 1, -128, 0},  // the first byte never weighs in
        {"\x7F\x80", 2, -1, -128}, {"abc", 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.sum, CalcCheckSum(c.bytes, c.length)) << c.bytes << "/" << c.length;
        EXPECT_EQ(c.weighted, CalcCheckSum2(c.bytes, c.length)) << c.bytes << "/" << c.length;
    }
}

TEST(BlockChecksums, WeightedSumWrapsAtThirtyTwoBits) {
    // 127 * (0 + 1 + ... + 8299) = 4,373,987,950, which is 79,020,654 once wrapped.
    const DWORD length = 8300;
    void* block = AllocPtr(length);
    memset(block, 0x7F, length);
    EXPECT_EQ(127 * 8300, CalcCheckSum(block, length));
    EXPECT_EQ(79020654, CalcCheckSum2(block, length));
    FreePtr(&block);
}

TEST(BlockChecksums, NoBlockSumsToZero) {
    NoAccessPage page;
    EXPECT_EQ(0, CalcCheckSum(nullptr, 3));
    EXPECT_EQ(0, CalcCheckSum2(nullptr, 3));
    EXPECT_EQ(0, CalcCheckSum(page.address, 3));
    EXPECT_EQ(0, CalcCheckSum2(page.address, 3));
}

TEST(BlockComparison, LengthZeroIsEqualWhateverTheAddresses) {
    EXPECT_EQ(1, EqualPtr(nullptr, nullptr, 0));
    EXPECT_EQ(1, EqualPtr("a", "b", 0));
    EXPECT_EQ(1, EqualPtr(nullptr, "b", 0));
}

TEST(BlockComparison, FirstDifferenceGivesZero) {
    struct Case {
        const char *a, *b;
        DWORD length;
        LONG equal;
    };
    const Case cases[] = {
        {"abcd", "abcd", 4, 1}, {"abcd", "abce", 4, 0},
        {"xbcd", "abcd", 4, 0}, {"abcX", "abcY", 3, 1},  // only the first length bytes count
        {"\x80", "\x7F", 1, 0}, {"\x7F", "\x80", 1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.equal, EqualPtr(c.a, c.b, c.length)) << c.a << " vs " << c.b;
}
