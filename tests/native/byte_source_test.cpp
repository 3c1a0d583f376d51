#include <gtest/gtest.h>

#include <algorithm>

#include "tests/fixtures/synthetic_saver.h"
#include "tools/core/byte_source.h"
#include "tools/core/inspect.h"
#include "tools/core/package_source.h"

using fixtures::Bytes;

namespace {

const Bytes kSetup = fixtures::Marker(BuildSetupBoundary);
const Bytes kSaver = fixtures::Marker(BuildSaverBoundary);
constexpr uint64_t kSeam = 1 << 20;  // where a reading window ends

// A file that can only be read, as the page's is, counting what is read.
class ReadOnlyFile : public ByteSource {
public:
    explicit ReadOnlyFile(const Bytes& bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool Read(uint64_t offset, size_t length, uint8_t* out) const override {
        EXPECT_LE(offset + length, bytes_.size());
        std::copy_n(bytes_.begin() + offset, length, out);
        read += length;
        return true;
    }
    mutable uint64_t read = 0;

private:
    const Bytes& bytes_;
};

int64_t FirstIn(const Bytes& file, const Bytes& marker, uint64_t from, uint64_t to) {
    auto end = file.begin() + to;
    auto at = std::search(file.begin() + from, end, marker.begin(), marker.end());
    return at == end ? -1 : at - file.begin();
}

int64_t Search(const ByteSource& source, const Bytes& marker, uint64_t from, uint64_t to) {
    std::string text(marker.begin(), marker.end());
    uint64_t at;
    return source.FindMarker(from, to, text.c_str(), &at) ? static_cast<int64_t>(at) : -1;
}

void Put(Bytes& file, uint64_t at, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + at);
}

// The page's file: fed in pieces of `piece` bytes, up to `fed` of them.
struct Scanned {
    Scanned(const Bytes& bytes, size_t piece, uint64_t fed) : file(bytes), scanned(file) {
        for (uint64_t at = 0; at < std::min<uint64_t>(fed, bytes.size()); at += piece)
            if (!scanned.Feed(bytes.data() + at, std::min<uint64_t>(piece, bytes.size() - at)))
                break;
    }
    ReadOnlyFile file;
    ScannedSource scanned;
};

}  // namespace

// However the file is read (whole, through windows, as parts, streamed in pieces of any size,
// partly streamed), each search gives the first whole marker of its range: one that crosses a
// window's or a part's seam, starts just after the range's start or is cut by its end counts
// as the file says, and a near miss never does.
TEST(ByteSources, EveryWayOfReadingFindsTheSameFirstMarker) {
    for (uint64_t place : {uint64_t{0}, kSeam - 46, kSeam - 45, kSeam - 1, kSeam, kSeam + 3954}) {
        SCOPED_TRACE(testing::Message() << "saver boundary at " << place);
        Bytes file(kSeam + 4000, '@'), nearMiss(kSaver);
        nearMiss.back() = '#';
        Put(file, place, kSaver);
        if (place >= 100)
            Put(file, place - 100, nearMiss);
        Put(file, place + 46 < kSeam / 2 ? kSeam / 2 : 300, kSetup);
        Put(file, file.size() - 46, kSaver);  // a second one, never the first
        MemorySource memory(file);
        ReadOnlyFile windows(file);
        Bytes a(file.begin(), file.begin() + place + 23),
            b(file.begin() + place + 23, file.begin() + place + 24),
            c(file.begin() + place + 24, file.end()), none;
        MemorySource partA(a), partB(b), partC(c), empty(none);
        JoinedSource parts({&partA, &empty, &partB, &partC});
        Scanned streamed(file, 45, file.size()), inPieces(file, 4097, file.size()),
            half(file, 46, place / 2), tiny(file, 7, file.size());
        const ByteSource* sources[] = {&memory,           &windows,          &parts,
                                       &streamed.scanned, &inPieces.scanned, &half.scanned,
                                       &tiny.scanned};
        const std::pair<uint64_t, uint64_t> ranges[] = {
            {0, file.size()}, {place, file.size()}, {place + 1, file.size()},
            {0, place + 45},  {0, place + 46},      {kSeam / 2 - 1, kSeam / 2 + 45}};
        for (const ByteSource* source : sources) {
            for (const auto& [from, to] : ranges) {
                for (const Bytes* marker : {&kSaver, &kSetup}) {
                    EXPECT_EQ(FirstIn(file, *marker, from, to), Search(*source, *marker, from, to))
                        << "source " << source - *sources << ", [" << from << ", " << to << ")";
                }
            }
        }
    }
}

// The page's way (the file streamed once, then read where the checks look) tells of an
// installer what the command-line tool's way (the whole file in memory) tells, and what it
// reads again after the stream is the stub, the header and the picture, not the file.
TEST(ByteSources, InspectingAStreamedFileReadsOnlyWhatItChecks) {
    const Bytes stub(4096, 0x4D), splash = fixtures::SplashDib(64, 48);
    Bytes program(3 << 20);
    for (size_t i = 0; i < program.size(); ++i)
        program[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    const struct {
        const char* what;
        Bytes saver;
    } cases[] = {
        {"header and picture at the end", fixtures::SaverImage(program.size(), splash)},
        {"header across the first window's end", fixtures::SaverImage(kSeam - 4096 - 306 - 20, {})},
        {"no header", program},
        {"a cut header", fixtures::HeaderOnlySaver(program.size(), 100, 5000, 0, 3000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes installer = fixtures::RawInstaller(stub, fixtures::NameField("a.scr"), c.saver);
        Scanned page(installer, 1 << 20, installer.size());
        InstallerFacts facts = InspectInstaller(page.scanned);
        EXPECT_EQ(FormatInspectJson(InspectInstaller(installer.data(), installer.size())),
                  FormatInspectJson(facts));
        if (&c == cases)  // its blocks of 16 and 8 bytes, then the picture
            EXPECT_EQ(std::make_tuple(int64_t{16}, int64_t{8}, int64_t(splash.size())),
                      std::make_tuple(facts.firstBlock, facts.secondBlock, facts.splashLength));
        EXPECT_LT(page.file.read, stub.size() + 2 * kSeam / 16) << "bytes read again";
    }
}

// The page builds from the author's file and the tail it adds: its head, the file and the tail
// are the bytes the command-line tool writes, and what the tool refuses, it refuses the same.
TEST(ByteSources, TheHeadBeforeAStreamedSaverIsTheToolsInstaller) {
    const Bytes stub(3001, 0x4D);
    const struct {
        Bytes saver;
        std::string name;
    } cases[] = {
        {fixtures::SaverImage(kSeam + 77, fixtures::SplashDib(16, 16)), "Night Sky.scr"},
        {fixtures::SaverImage(5, {}), "a.scr"},
        {fixtures::SaverImage(100, {}), "..\\a.scr"},
        {Bytes(5000, 0x90), "a.scr"},
        {fixtures::HeaderOnlySaver(100, 100, 8, 0, 150), "a.scr"},
        // A stub that holds a package of its own would install that one.
        {fixtures::SaverImage(100, {}), "stub"},
    };
    const Bytes packed = fixtures::RawInstaller(Bytes(100), fixtures::NameField("b.scr"),
                                                fixtures::SaverImage(50, {}));
    for (const auto& c : cases) {
        const Bytes& program = c.name == "stub" ? packed : stub;
        const std::string name = c.name == "stub" ? "a.scr" : c.name;
        Bytes want, head;
        std::string wantReason, reason;
        bool built = BuildInstaller(program, c.saver, name, &want, &wantReason);
        Scanned page(c.saver, 1 << 16, c.saver.size());
        ASSERT_EQ(built, WriteInstallerHead(program.data(), program.size(), page.scanned, name,
                                            &head, &reason))
            << c.name;
        EXPECT_TRUE(built || !reason.empty()) << c.name;
        if (c.name == "stub")
            EXPECT_EQ("the program already contains the setup boundary marker", reason);
        if (built) {
            head.insert(head.end(), c.saver.begin(), c.saver.end());
            EXPECT_TRUE(want == head) << c.name;
        } else {
            EXPECT_EQ(wantReason, reason);
        }
    }
}
