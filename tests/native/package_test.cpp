#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/fixtures/synthetic_saver.h"
#include "installer/package.h"

using fixtures::Bytes;

namespace {

const Bytes kSetupMarker = fixtures::Marker(BuildSetupBoundary);
const Bytes kSaverMarker = fixtures::Marker(BuildSaverBoundary);

// The scan as a plain reading of the rule: every position in turn, first full match wins.
long NaiveFind(const Bytes& data, const Bytes& marker) {
    for (size_t i = 0; i + marker.size() <= data.size(); ++i) {
        if (std::equal(marker.begin(), marker.end(), data.begin() + i))
            return static_cast<long>(i);
    }
    return -1;
}

long Find(const Bytes& data, const Bytes& marker) {
    uint32_t position = 0;
    std::string text(marker.begin(), marker.end());
    if (!FindMarker(data.data(), static_cast<uint32_t>(data.size()), text.c_str(), &position))
        return -1;
    return position;
}

TEST(Markers, AreTheFortySixBytesOfTheFormat) {
    EXPECT_EQ("@@@@@-----boundary of setup and data-----@@@@@",
              std::string(kSetupMarker.begin(), kSetupMarker.end()));
    EXPECT_EQ("@@@@@-----boundary of saver and data-----@@@@@",
              std::string(kSaverMarker.begin(), kSaverMarker.end()));
}

TEST(MarkerSearch, FindsWhatAByteByByteScanFinds) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        // Few distinct bytes, planted markers and cut-off markers make near misses common.
        Bytes data(random() % 300);
        for (auto& byte : data)
            byte = "@-ba\0"[random() % 5];
        int plants = static_cast<int>(random() % 3);
        for (int i = 0; i < plants && data.size() >= kMarkerLength; ++i) {
            size_t at = random() % (data.size() - kMarkerLength + 1);
            size_t keep = kMarkerLength - random() % 3;  // sometimes 44 or 45 bytes only
            std::copy(kSetupMarker.begin(), kSetupMarker.begin() + keep, data.begin() + at);
        }
        ASSERT_EQ(NaiveFind(data, kSetupMarker), Find(data, kSetupMarker)) << "round " << round;
    }
}

TEST(MarkerSearch, EdgesOfTheRange) {
    Bytes atEnd(100, 'x');
    std::copy(kSetupMarker.begin(), kSetupMarker.end(), atEnd.end() - kMarkerLength);
    EXPECT_EQ(100 - 46, Find(atEnd, kSetupMarker));

    Bytes exact(kSetupMarker);
    EXPECT_EQ(0, Find(exact, kSetupMarker));

    Bytes shortByOne(kSetupMarker.begin(), kSetupMarker.end() - 1);
    EXPECT_EQ(-1, Find(shortByOne, kSetupMarker));

    Bytes nearMiss(kSetupMarker);
    nearMiss[45] = 0;  // a zero byte is an ordinary mismatch
    nearMiss.insert(nearMiss.end(), kSetupMarker.begin(), kSetupMarker.end());
    EXPECT_EQ(46, Find(nearMiss, kSetupMarker));

    EXPECT_EQ(-1, Find(Bytes(), kSetupMarker));
}

Bytes ValidSaver() {
    return fixtures::SaverImage(3000, fixtures::SplashDib(8, 6));
}

TEST(PackageReader, TakesNameAndSaverImageAfterTheFirstBoundary) {
    Bytes stub(5000, 0x90);
    Bytes saver = ValidSaver();
    // A second SetupBoundary belongs to the screen saver and is written out with it.
    saver.insert(saver.begin() + 10, kSetupMarker.begin(), kSetupMarker.end());
    Bytes file = fixtures::RawInstaller(stub, fixtures::NameField("Stars.scr"), saver);
    PackageLayout layout;
    ASSERT_TRUE(LocatePackage(file.data(), static_cast<uint32_t>(file.size()), &layout));
    EXPECT_EQ(5000u, layout.setupBoundary);
    EXPECT_STREQ("Stars.scr", layout.saverName);
    EXPECT_EQ(saver, Bytes(layout.saverImage, layout.saverImage + layout.saverImageLength));
}

struct BrokenPackage {
    const char* what;
    Bytes file;
};

TEST(PackageReader, RefusesWhatWouldWriteTheWrongFile) {
    Bytes stub(64, 1);
    Bytes noTerminator(kSaverNameFieldLength, 'a');
    Bytes tooShort = fixtures::RawInstaller(stub, fixtures::NameField("a.scr"), {});
    tooShort.pop_back();
    Bytes markerAtEnd(stub);
    markerAtEnd.insert(markerAtEnd.end(), kSetupMarker.begin(), kSetupMarker.end());
    const BrokenPackage cases[] = {
        {"no boundary", Bytes(4000, 0x41)},
        {"boundary ends at the last byte", markerAtEnd},
        {"305 bytes after P", tooShort},
        {"name without zero byte", fixtures::RawInstaller(stub, noTerminator, ValidSaver())},
        {"empty name", fixtures::RawInstaller(stub, fixtures::NameField(""), ValidSaver())},
        {"climbing name",
         fixtures::RawInstaller(stub, fixtures::NameField("..\\win.ini"), ValidSaver())},
        {"drive in name",
         fixtures::RawInstaller(stub, fixtures::NameField("C:evil.scr"), ValidSaver())},
    };
    for (const auto& broken : cases) {
        PackageLayout layout;
        EXPECT_FALSE(
            LocatePackage(broken.file.data(), static_cast<uint32_t>(broken.file.size()), &layout))
            << broken.what;
    }
}

TEST(PackageReader, AcceptsAnEmptySaverImage) {
    Bytes file = fixtures::RawInstaller(Bytes(10, 2), fixtures::NameField("a.scr"), {});
    PackageLayout layout;
    ASSERT_TRUE(LocatePackage(file.data(), static_cast<uint32_t>(file.size()), &layout));
    EXPECT_EQ(0u, layout.saverImageLength);
    SplashLocation splash;
    EXPECT_FALSE(LocateSplashDib(layout.saverImage, 0, &splash));
}

struct NameCase {
    std::string name;
    bool safe;
};

TEST(SaverName, StaysInsideTheSystemFolder) {
    const NameCase cases[] = {
        {"Stars.scr", true},
        {"sub\\Stars.scr", true},
        {"..scr", true},
        {"a..b.scr", true},
        {"\x95\x5C.scr", true},  // trail byte 0x5C is no separator
        {"\x95\x5C..\\x.scr", true},
        {"", false},
        {"..", false},
        {"..\\x.scr", false},
        {"a\\..\\..\\x.scr", false},
        {"a/../x.scr", false},
        {"a\\...\\x.scr", false},
        {"a\\.. \\x.scr", false},
        {"\\x.scr", false},
        {"/x.scr", false},
        {"C:x.scr", false},
        {"x.scr:stream", false},
        {"con", false},
        {"NUL.scr", false},
        {"Aux .scr", false},
        {"sub\\com1.tar.scr", false},
        {"LPT9\\x.scr", false},
        {"com0.scr", true},
        {"console.scr", true},
        {"lpt10.scr", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.safe, IsSafeSaverName(c.name.c_str()) != 0) << c.name;
}

// The data header starts 100 bytes into the screen saver.
Bytes SaverWithHeader(uint32_t n, uint32_t x, uint32_t y, size_t tail) {
    return fixtures::HeaderOnlySaver(100, n, x, y, tail);
}

Bytes Prefix(Bytes bytes, size_t length) {
    bytes.resize(length);
    return bytes;
}

struct SplashCase {
    const char* what;
    Bytes saver;
    uint32_t offset;
    uint32_t length;
    uint32_t complete;
};

TEST(SplashLocation, FollowsTheTwoBlocksAndStaysInside) {
    const SplashCase cases[] = {
        {"X 16, Y 8", SaverWithHeader(10, 16, 8, 16 + 4 + 8 + 4 + 10), 100 + 222, 10, 1},
        {"N X Y 0", SaverWithHeader(0, 0, 0, 8), 100 + 198, 0, 1},
        {"picture ends at the last byte", SaverWithHeader(5, 0, 0, 8 + 5), 100 + 198, 5, 1},
        {"picture one byte too long", SaverWithHeader(6, 0, 0, 8 + 5), 0, 0, 0},
        {"header without Y", SaverWithHeader(0, 0, 0, 0), 0, 0, 0},
        {"header cut before X", Prefix(SaverWithHeader(0, 0, 0, 0), 100 + 180), 0, 0, 0},
        {"Y beyond the end", SaverWithHeader(0, 100, 0, 50), 0, 0, 0},
        {"X wraps 32 bits", SaverWithHeader(0, 0xFFFFFFF0u, 0, 40), 0, 0, 0},
        {"Y wraps 32 bits", SaverWithHeader(1, 0, 0xFFFFFFFFu, 40), 0, 0, 0},
        {"N wraps 32 bits", SaverWithHeader(0xFFFFFFFFu, 0, 0, 40), 0, 0, 0},
    };
    for (const auto& c : cases) {
        SplashLocation splash;
        ASSERT_TRUE(LocateSplashDib(c.saver.data(), static_cast<uint32_t>(c.saver.size()), &splash))
            << c.what;
        EXPECT_EQ(c.offset, splash.offset) << c.what;
        EXPECT_EQ(c.length, splash.length) << c.what;
        EXPECT_EQ(c.complete, splash.complete) << c.what;
    }
}

TEST(SplashLocation, UsesTheFirstSaverBoundary) {
    Bytes saver = SaverWithHeader(0, 0, 0, 8);
    Bytes twice(saver);
    twice.insert(twice.end(), saver.begin(), saver.end());
    SplashLocation splash;
    ASSERT_TRUE(LocateSplashDib(twice.data(), static_cast<uint32_t>(twice.size()), &splash));
    EXPECT_EQ(100u + 198, splash.offset);
}

Bytes Write(const Bytes& stub, const Bytes& saver, const char* name, const char** reason) {
    Bytes out(
        InstallerFileSize(static_cast<uint32_t>(stub.size()), static_cast<uint32_t>(saver.size())));
    *reason = nullptr;
    if (!WriteInstallerFile(stub.data(), static_cast<uint32_t>(stub.size()), saver.data(),
                            static_cast<uint32_t>(saver.size()), name, out.data(), reason))
        return {};
    return out;
}

TEST(PackageWriter, WritesWhatTheReaderReadsBack) {
    Bytes stub(7000, 0xCC);
    Bytes splash = fixtures::SplashDib(8, 6);
    Bytes saver = fixtures::SaverImage(4000, splash, 16, 8);
    const char* reason;
    Bytes file = Write(stub, saver, "Stars.scr", &reason);
    ASSERT_FALSE(file.empty()) << reason;
    EXPECT_EQ(stub.size() + 306 + saver.size(), file.size());
    PackageLayout layout;
    ASSERT_TRUE(LocatePackage(file.data(), static_cast<uint32_t>(file.size()), &layout));
    EXPECT_EQ(7000u, layout.setupBoundary);
    EXPECT_STREQ("Stars.scr", layout.saverName);
    // The rest of the name field is zero.
    for (size_t i = 7000 + 46 + 9; i < 7000 + 306; ++i)
        ASSERT_EQ(0, file[i]);
    EXPECT_EQ(saver, Bytes(layout.saverImage, layout.saverImage + layout.saverImageLength));
    SplashLocation where;
    ASSERT_TRUE(LocateSplashDib(layout.saverImage, layout.saverImageLength, &where));
    EXPECT_EQ(splash, Bytes(layout.saverImage + where.offset,
                            layout.saverImage + where.offset + where.length));
}

TEST(PackageWriter, RefusesWhatTheReaderWouldMisread) {
    Bytes saver = ValidSaver();
    Bytes stubWithMarker(100, 0);
    stubWithMarker.insert(stubWithMarker.begin() + 50, kSetupMarker.begin(), kSetupMarker.end());
    // A stub ending in the marker's first 41 bytes: with the boundary's "@@@@@" a match
    // would start inside the stub.
    Bytes stubWithOverlap(100, 0);
    stubWithOverlap.insert(stubWithOverlap.end(), kSetupMarker.begin(), kSetupMarker.begin() + 41);
    Bytes noHeader(2000, 0x33);
    Bytes headerPastEnd = SaverWithHeader(50, 0, 0, 8);
    struct Case {
        const char* what;
        Bytes stub;
        Bytes saver;
        std::string name;
    } cases[] = {
        {"marker in stub", stubWithMarker, saver, "a.scr"},
        {"marker across the joint", stubWithOverlap, saver, "a.scr"},
        {"no data header", Bytes(10), noHeader, "a.scr"},
        {"splash past the end", Bytes(10), headerPastEnd, "a.scr"},
        {"climbing name", Bytes(10), saver, "..\\a.scr"},
        {"empty name", Bytes(10), saver, ""},
        {"name too long", Bytes(10), saver, std::string(kMaxSaverNameLength + 1, 'n')},
    };
    for (const auto& c : cases) {
        const char* reason;
        EXPECT_TRUE(Write(c.stub, c.saver, c.name.c_str(), &reason).empty()) << c.what;
        EXPECT_NE(nullptr, reason) << c.what;
    }
    const char* reason;
    EXPECT_FALSE(
        Write(Bytes(10), saver, std::string(kMaxSaverNameLength, 'n').c_str(), &reason).empty());
}

}  // namespace
