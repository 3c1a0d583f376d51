#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fixtures/synthetic_saver.h"
#include "installer/package.h"
#include "tools/core/inspect.h"

using fixtures::Bytes;

// The markers as the format spells them; the product joins its own from pieces.
static const std::string kSetupMarker = "@@@@@-----boundary of setup and data-----@@@@@";
static const std::string kSaverMarker = "@@@@@-----boundary of saver and data-----@@@@@";

template <typename... Parts>
static Bytes Cat(const Parts&... parts) {
    Bytes out;
    (out.insert(out.end(), parts.begin(), parts.end()), ...);
    return out;
}

// A data header 100 bytes into the screen saver, with N, X and Y, and `tail` bytes after its
// fixed part.
static Bytes Saver(uint32_t n, uint32_t x, uint32_t y, size_t tail) {
    return fixtures::HeaderOnlySaver(100, n, x, y, tail);
}

TEST(PackageReader, TakesTheFirstBoundaryAndRefusesWhatWouldWriteTheWrongFile) {
    const Bytes name = fixtures::NameField("a.scr"), cutName(name.begin(), name.end() - 1);
    // Each file read has its boundary at 64, "a.scr" in its name field, then the screen saver.
    const std::tuple<const char*, Bytes, int> cases[] = {
        {"306 bytes after P", Cat(Bytes(64), kSetupMarker, name), 1},
        {"a second boundary in the saver", Cat(Bytes(64), kSetupMarker, name, kSetupMarker), 1},
        {"after a stray @", Cat(Bytes(63, 'x'), Bytes{'@'}, kSetupMarker, name), 1},
        {"boundary cut", Cat(kSetupMarker.substr(0, 45)), 0},
        {"305 bytes after P", Cat(Bytes(64), kSetupMarker, cutName), 0},
        {"name without zero byte", Cat(Bytes(64), kSetupMarker, Bytes(260, 'a'), Bytes{0}), 0},
        {"climbing name", Cat(Bytes(64), kSetupMarker, fixtures::NameField("..\\a.scr")), 0},
    };
    for (const auto& [what, file, read] : cases) {
        Bytes exact(file);  // so AddressSanitizer sees any read past the end
        PackageLayout layout;
        ASSERT_EQ(read, LocatePackage(exact.data(), exact.size(), &layout)) << what;
        if (read)  // the boundary, the name, where the screen saver starts and its length
            EXPECT_EQ(std::make_tuple(64u, std::string("a.scr"), 370, exact.size() - 370),
                      std::make_tuple(layout.setupBoundary, std::string(layout.saverName),
                                      layout.saverImage - exact.data(), layout.saverImageLength))
                << what;
    }
}

// A program of 256 bytes whose PE header names a certificate table at `offset`.
static Bytes SignedStub(uint32_t offset, uint32_t size, uint16_t magic = 0x10B,
                        uint32_t count = 16) {
    Bytes stub(256);
    stub[0] = 'M', stub[1] = 'Z', stub[0x3C] = 0x40;
    memcpy(&stub[0x40], "PE\0\0", 4);
    size_t optional = 0x58, directories = optional + (magic == 0x20B ? 112 : 96);
    stub[optional] = magic & 0xFF, stub[optional + 1] = magic >> 8;
    fixtures::Put32(stub, directories - 4, count);
    fixtures::Put32(stub, directories + 32, offset);
    fixtures::Put32(stub, directories + 36, size);
    return stub;
}

// Signed: 100 bytes of screen saver, then a table of 16 at 662, the end of the file.
TEST(PackageReader, LeavesOutOnlyACertificateTableAttachedAtTheEnd) {
    const std::tuple<const char*, Bytes, uint32_t> cases[] = {
        {"signed", SignedStub(662, 16), 100},
        {"signed, PE32+", SignedStub(662, 16, 0x20B), 100},
        {"the table is all there is", SignedStub(562, 116), 0},
        {"not signed", SignedStub(0, 0), 116},
        {"table short of the end", SignedStub(662, 8), 116},
        {"table over the name field", SignedStub(300, 378), 116},
        {"four directories only", SignedStub(662, 16, 0x10B, 4), 116},
        {"no PE header", Cat(Bytes{'M', 'Z'}, Bytes(254)), 116},
    };
    for (const auto& [what, stub, saverLength] : cases) {
        Bytes file = Cat(stub, kSetupMarker, fixtures::NameField("a.scr"), Bytes(116, 0x5C));
        PackageLayout layout;
        ASSERT_TRUE(LocatePackage(file.data(), file.size(), &layout)) << what;
        EXPECT_EQ(saverLength, layout.saverImageLength) << what;
        // The copy kept for removal names no table, and differs in nothing else.
        Bytes copy = stub;
        ForgetCertificateTable(copy.data(), copy.size());
        uint32_t table, tableSize;
        EXPECT_FALSE(FindCertificateTable(copy.data(), copy.size(), &table, &tableSize)) << what;
        std::vector<size_t> changed;
        for (size_t i = 0; i < copy.size(); ++i)
            if (copy[i] != stub[i])
                changed.push_back(i);
        EXPECT_TRUE(changed.empty() || changed.back() - changed.front() < 8) << what;
    }
}

TEST(SaverName, StaysInsideTheSystemFolder) {
    for (const char* name : {"Stars.scr", "sub\\Stars.scr", "..scr", "com0.scr", "console.scr",
                             "lpt10.scr", "\x95\x5C..\\x.scr"})  // trail byte 0x5C is no separator
        EXPECT_TRUE(IsSafeSaverName(name)) << name;
    for (const char* name :
         {"", "..\\x.scr", "a/../x.scr", "a\\...\\x.scr", "a\\.. \\x.scr", "\\x.scr", "/x.scr",
          "C:x.scr", "con", "NUL.scr", "Aux .scr", "sub\\com1.tar.scr", "LPT9\\x.scr"})
        EXPECT_FALSE(IsSafeSaverName(name)) << name;
}

// The searches skip most bytes; they must still find the first and the last match that a scan
// byte by byte finds: markers twice and overlapping, at either end, near misses one byte short
// or off, and at every offset from a start, so that a match falls at each place a skip can land.
TEST(MarkerSearch, FindsTheFirstAndTheLastMatchAsAScanDoes) {
    for (const std::string& marker : {kSetupMarker, kSaverMarker}) {
        const std::string other = marker == kSetupMarker ? kSaverMarker : kSetupMarker;
        const std::string shortOne = marker.substr(0, 45), offLast = shortOne + "!",
                          offFirst = "!" + marker.substr(1), overlap = marker + marker.substr(5);
        std::vector<Bytes> texts = {
            {},
            Cat(shortOne),
            Cat(marker),
            Cat(marker, Bytes(3, '-')),
            Cat(Bytes(7, '@'), marker, Bytes(3, '-')),
            Cat(offLast, marker, offFirst),
            Cat(other, overlap, shortOne),
            Cat(marker, Bytes(100, 'x'), marker),
            Cat(Bytes(300, '@'), offLast, Bytes(45, '-'), shortOne),
        };
        for (size_t before = 0; before < 2 * kMarkerLength + 3; ++before)
            texts.push_back(Cat(Bytes(before, static_cast<uint8_t>(before % 3 ? 'a' : '@')), marker,
                                Bytes(before % 5, 'e')));
        for (const Bytes& text : texts) {
            Bytes exact(text);  // so AddressSanitizer sees any read past the end
            auto first = std::search(exact.begin(), exact.end(), marker.begin(), marker.end());
            auto last = std::find_end(exact.begin(), exact.end(), marker.begin(), marker.end());
            uint32_t at = 99999, lastAt = 99999;
            int found = FindMarker(exact.data(), exact.size(), marker.c_str(), &at);
            int foundLast = FindLastMarker(exact.data(), exact.size(), marker.c_str(), &lastAt);
            std::string seen(exact.begin(), exact.end());
            ASSERT_EQ(first != exact.end(), found) << seen;
            ASSERT_EQ(found, foundLast) << seen;
            if (found)
                EXPECT_EQ(std::make_pair(first - exact.begin(), last - exact.begin()),
                          std::make_pair(long{at}, long{lastAt}))
                    << seen;
        }
    }
}

TEST(SplashLocation, FollowsTheTwoBlocksAndStaysInside) {
    const Bytes noY = Saver(0, 0, 0, 0), noX(noY.begin(), noY.end() - 10);
    // What LocateSplashDib returns, then the offset, length and completeness it gives.
    const std::tuple<const char*, Bytes, std::tuple<int, uint32_t, uint32_t, uint32_t>> cases[] = {
        {"X 16, Y 8", Saver(10, 16, 8, 16 + 4 + 8 + 4 + 10), {1, 100 + 222, 10, 1}},
        {"picture ends at the last byte", Saver(5, 0, 0, 8 + 5), {1, 100 + 198, 5, 1}},
        {"the first header counts", Cat(Saver(0, 0, 0, 8), Saver(1, 0, 0, 9)), {1, 298, 0, 1}},
        {"the first of two overlapping ones counts",
         Cat(kSaverMarker.substr(0, 41), fixtures::HeaderOnlySaver(0, 1, 0, 0, 9)),
         {1, 198, 0, 1}},
        {"picture one byte too long", Saver(6, 0, 0, 8 + 5), {1, 0, 0, 0}},
        {"header without Y", noY, {1, 0, 0, 0}},
        {"header cut before X", noX, {1, 0, 0, 0}},
        {"X wraps 32 bits", Saver(0, 0xFFFFFFF0u, 0, 40), {1, 0, 0, 0}},
        {"Y wraps 32 bits", Saver(1, 0, 0xFFFFFFFFu, 40), {1, 0, 0, 0}},
        {"N wraps 32 bits", Saver(0xFFFFFFFFu, 0, 0, 40), {1, 0, 0, 0}},
        {"nothing after the boundary", Cat(Bytes(54), kSaverMarker), {1, 0, 0, 0}},
        {"no data header", Bytes(2000, 0x33), {0, 0, 0, 0}},
    };
    for (const auto& [what, saver, expected] : cases) {
        Bytes exact(saver);
        SplashLocation s;
        int found = LocateSplashDib(exact.data(), exact.size(), &s);
        EXPECT_EQ(expected, std::tie(found, s.offset, s.length, s.complete)) << what;
    }
}

TEST(PackageWriter, LaysOutOnlyWhatTheReaderReadsBack) {
    const Bytes saver = fixtures::SaverImage(4000, fixtures::SplashDib(8, 6));
    const std::tuple<const char*, Bytes, Bytes, std::string, int> cases[] = {
        {"splash picture", Bytes(7000, 0xCC), saver, "Stars.scr", 1},
        {"no splash picture", Bytes(10), Saver(0, 0, 0, 8), "a.scr", 1},
        {"an installer as the screen saver", Bytes(10), Cat(saver, kSetupMarker), "a.scr", 0},
        {"longest name", Bytes(10), saver, std::string(kMaxSaverNameLength, 'n'), 1},
        {"name too long", Bytes(10), saver, std::string(kMaxSaverNameLength + 1, 'n'), 0},
        {"climbing name", Bytes(10), saver, "..\\a.scr", 0},
        {"marker in stub", Cat(Bytes(50), kSetupMarker, Bytes(50)), saver, "a.scr", 0},
        // A stub ending in the marker's first 41 bytes: with the boundary's "@@@@@" a match
        // would start inside the stub.
        {"marker across the joint", Cat(Bytes(9), kSetupMarker.substr(0, 41)), saver, "a.scr", 0},
        {"no data header", Bytes(10), Bytes(2000, 0x33), "a.scr", 0},
        {"splash past the end", Bytes(10), Saver(50, 0, 0, 8), "a.scr", 0},
    };
    for (const auto& [what, stub, saver, name, written] : cases) {
        Bytes file;
        std::string reason;
        EXPECT_EQ(written, BuildInstaller(stub, saver, name, &file, &reason)) << what;
        EXPECT_EQ(!written, !reason.empty()) << what << ": a refusal says why";
        if (!written)
            file.resize(InstallerFileSize(stub.size(), saver.size()));
        // Zeros after the stub make the length a multiple of 8, so signing adds no padding.
        size_t padding = file.size() - stub.size() - kSaverImageOffset - saver.size();
        EXPECT_TRUE(file.size() % 8 == 0 && padding < 8) << what;
        if (written)
            EXPECT_EQ(Cat(stub, Bytes(padding), kSetupMarker, fixtures::NameField(name), saver),
                      file)
                << what;
    }
}
