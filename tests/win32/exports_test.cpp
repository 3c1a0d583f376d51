#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "tests/fixtures/scratch.h"

namespace {

// In alphabetical order, which is also the order of the ordinals 1 to 21.
const char* const kExportNames[] = {
    "AllocH",        "AllocPtr",      "AllocVirPtr",   "CalcCheckSum", "CalcCheckSum2",
    "EqualPtr",      "FreeH",         "FreePtr",       "FreeVirPtr",   "GetCopyH",
    "GetPtrCopy",    "GetPtrLen",     "GetVirPtrCopy", "GetVirPtrLen", "HandleFromPtr",
    "HandleToPtr",   "PtrFromHandle", "PtrToHandle",   "ReAllocPtr",   "ReAllocPtr2",
    "ReAllocVirPtr",
};
const DWORD kExportCount = sizeof kExportNames / sizeof kExportNames[0];

IMAGE_NT_HEADERS32* NtHeaders(BYTE* base) {
    return reinterpret_cast<IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
}

void WriteImageDword(DWORD* at, DWORD value) {
    DWORD old;
    VirtualProtect(at, sizeof *at, PAGE_EXECUTE_READWRITE, &old);
    *at = value;
    VirtualProtect(at, sizeof *at, old, &old);
}

// Wine 8 loads an EXE through LoadLibrary without relocating it; Windows relocates it and
// writes the actual base into the header, so there the difference is 0 and nothing is done.
bool ApplyRelocations(BYTE* base) {
    IMAGE_OPTIONAL_HEADER32& header = NtHeaders(base)->OptionalHeader;
    const DWORD delta = reinterpret_cast<DWORD>(base) - header.ImageBase;
    const IMAGE_DATA_DIRECTORY& dir = header.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    if (delta == 0)
        return true;
    if (dir.VirtualAddress == 0)
        return false;
    BYTE* at = base + dir.VirtualAddress;
    BYTE* end = at + dir.Size;
    while (at + sizeof(IMAGE_BASE_RELOCATION) <= end) {
        auto* block = reinterpret_cast<IMAGE_BASE_RELOCATION*>(at);
        if (block->SizeOfBlock < sizeof *block)
            break;
        const WORD* entries = reinterpret_cast<const WORD*>(block + 1);
        const DWORD count = (block->SizeOfBlock - sizeof *block) / sizeof(WORD);
        for (DWORD i = 0; i < count; ++i) {
            if ((entries[i] >> 12) != IMAGE_REL_BASED_HIGHLOW)
                continue;  // the rest is IMAGE_REL_BASED_ABSOLUTE padding
            auto* target =
                reinterpret_cast<DWORD*>(base + block->VirtualAddress + (entries[i] & 0xFFF));
            WriteImageDword(target, *target + delta);
        }
        at += block->SizeOfBlock;
    }
    return true;
}

// Wine 8 also leaves the import address table holding the name thunks; Windows binds it.
bool BindImports(BYTE* base) {
    const IMAGE_DATA_DIRECTORY& dir =
        NtHeaders(base)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return true;
    auto* desc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; desc->Name; ++desc) {
        HMODULE dll = LoadLibraryA(reinterpret_cast<const char*>(base + desc->Name));
        if (!dll || !desc->OriginalFirstThunk)
            return false;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + desc->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + desc->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (slots->u1.Function != names->u1.AddressOfData)
                continue;  // already bound
            FARPROC proc;
            if (IMAGE_SNAP_BY_ORDINAL32(names->u1.Ordinal)) {
                proc = GetProcAddress(dll, MAKEINTRESOURCEA(IMAGE_ORDINAL32(names->u1.Ordinal)));
            } else {
                auto* byName =
                    reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                proc = GetProcAddress(dll, reinterpret_cast<const char*>(byName->Name));
            }
            if (!proc)
                return false;
            WriteImageDword(&slots->u1.Function, reinterpret_cast<DWORD>(proc));
        }
    }
    return true;
}

HMODULE LoadSetup(std::string* error) {
    const std::string path = scratch::SetupExePath();
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        *error = "LoadLibrary(" + path + ") failed, error " + std::to_string(GetLastError());
        return nullptr;
    }
    BYTE* base = reinterpret_cast<BYTE*>(module);
    if (!ApplyRelocations(base)) {
        *error = path + " was loaded away from its base and has no relocations";
        return nullptr;
    }
    if (!BindImports(base)) {
        *error = "could not bind the imports of " + path;
        return nullptr;
    }
    return module;
}

// Loaded and fixed up once: relocating twice would corrupt the image.
struct Setup {
    std::string error;
    HMODULE module = LoadSetup(&error);
};

const Setup& LoadedSetup() {
    static const Setup setup;
    return setup;
}

template <typename Function>
Function Export(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(LoadedSetup().module, name)));
}

class SetupExports : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, LoadedSetup().module) << LoadedSetup().error; }
};

}  // namespace

TEST_F(SetupExports, EveryNameResolvesInsideTheProgram) {
    BYTE* base = reinterpret_cast<BYTE*>(LoadedSetup().module);
    const DWORD imageSize = NtHeaders(base)->OptionalHeader.SizeOfImage;
    for (const char* name : kExportNames) {
        BYTE* address = reinterpret_cast<BYTE*>(
            reinterpret_cast<void*>(GetProcAddress(LoadedSetup().module, name)));
        ASSERT_NE(nullptr, address) << name;
        EXPECT_TRUE(address >= base && address < base + imageSize) << name;
    }
}

TEST_F(SetupExports, OrdinalsFollowAlphabeticalOrderOfNames) {
    ASSERT_TRUE(std::is_sorted(std::begin(kExportNames), std::end(kExportNames),
                               [](const char* a, const char* b) { return strcmp(a, b) < 0; }));
    HMODULE module = LoadedSetup().module;
    for (DWORD i = 0; i < kExportCount; ++i) {
        FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(i + 1));
        EXPECT_NE(nullptr, byOrdinal) << i + 1;
        EXPECT_EQ(GetProcAddress(module, kExportNames[i]), byOrdinal) << kExportNames[i];
    }
    EXPECT_EQ(nullptr, GetProcAddress(module, MAKEINTRESOURCEA(kExportCount + 1)));
}

TEST_F(SetupExports, ExportDirectoryHoldsExactlyTheNamesUndecorated) {
    BYTE* base = reinterpret_cast<BYTE*>(LoadedSetup().module);
    const IMAGE_DATA_DIRECTORY& dir =
        NtHeaders(base)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, dir.VirtualAddress);
    auto* exports = reinterpret_cast<IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_STREQ("SETUP.exe", reinterpret_cast<const char*>(base + exports->Name));
    EXPECT_EQ(1u, exports->Base);
    EXPECT_EQ(kExportCount, exports->NumberOfFunctions);
    ASSERT_EQ(kExportCount, exports->NumberOfNames);
    const DWORD* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < kExportCount; ++i)
        EXPECT_STREQ(kExportNames[i], reinterpret_cast<const char*>(base + names[i]));
}

TEST_F(SetupExports, PointerBlockCallsWork) {
    auto allocPtr = Export<void*(WINAPI*)(DWORD)>("AllocPtr");
    auto getPtrLen = Export<DWORD(WINAPI*)(const void*)>("GetPtrLen");
    auto reAllocPtr = Export<void*(WINAPI*)(void*, DWORD)>("ReAllocPtr");
    auto freePtr = Export<void(WINAPI*)(void**)>("FreePtr");
    ASSERT_TRUE(allocPtr && getPtrLen && reAllocPtr && freePtr);

    void* block = allocPtr(0);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1u, getPtrLen(block));
    // Blocks are global memory of the caller's process, so the caller can measure them too.
    EXPECT_EQ(1u, GlobalSize(block));
    EXPECT_EQ(0, *static_cast<BYTE*>(block));
    *static_cast<BYTE*>(block) = 0x5A;

    EXPECT_EQ(block, reAllocPtr(block, 1));
    void* grown = reAllocPtr(block, 40);
    ASSERT_NE(nullptr, grown);
    EXPECT_EQ(40u, getPtrLen(grown));
    EXPECT_EQ(0x5A, *static_cast<BYTE*>(grown));
    EXPECT_EQ(0, static_cast<BYTE*>(grown)[39]);
    EXPECT_EQ(0u, getPtrLen(nullptr));

    freePtr(&grown);
    EXPECT_EQ(nullptr, grown);
    freePtr(&grown);
    freePtr(nullptr);
}

TEST_F(SetupExports, ChecksumAndComparisonCallsWork) {
    auto calcCheckSum = Export<LONG(WINAPI*)(const void*, DWORD)>("CalcCheckSum");
    auto calcCheckSum2 = Export<LONG(WINAPI*)(const void*, DWORD)>("CalcCheckSum2");
    auto equalPtr = Export<LONG(WINAPI*)(const void*, const void*, DWORD)>("EqualPtr");
    ASSERT_TRUE(calcCheckSum && calcCheckSum2 && equalPtr);

    EXPECT_EQ(294, calcCheckSum("abc", 3));
    EXPECT_EQ(296, calcCheckSum2("abc", 3));
    EXPECT_EQ(-2, calcCheckSum("\xFF\xFF", 2));
    EXPECT_EQ(-1, calcCheckSum2("\xFF\xFF", 2));
    EXPECT_EQ(0, calcCheckSum(nullptr, 3));
    EXPECT_EQ(1, equalPtr("abcd", "abcd", 4));
    EXPECT_EQ(0, equalPtr("abcd", "abXd", 4));
    EXPECT_EQ(1, equalPtr(nullptr, nullptr, 0));
}

TEST_F(SetupExports, VirtualBlockCallsWork) {
    auto reAllocVirPtr = Export<void*(WINAPI*)(void*, DWORD)>("ReAllocVirPtr");
    auto getVirPtrLen = Export<DWORD(WINAPI*)(const void*)>("GetVirPtrLen");
    auto freeVirPtr = Export<LONG(WINAPI*)(void**)>("FreeVirPtr");
    ASSERT_TRUE(reAllocVirPtr && getVirPtrLen && freeVirPtr);

    void* block = reAllocVirPtr(nullptr, 65537);
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(131072u, getVirPtrLen(block));
    EXPECT_NE(0, freeVirPtr(&block));
    EXPECT_EQ(nullptr, block);
    EXPECT_EQ(0, freeVirPtr(&block));
}
