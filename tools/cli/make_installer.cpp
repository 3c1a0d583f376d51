// make-installer: the authors' tool. Builds a self-extracting installer for one screen saver,
// shows what an installer will do, takes the screen saver back out, and gives a finished screen
// saver the installer's data header with a splash picture; a screen saver dropped onto it (or
// named alone) becomes its installer. The logic lives in the files beside this one; here are
// the command line and the files.
#include <stdio.h>
#include <string.h>

#include <map>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/package.h"
#include "resources/version.h"
#include "tools/core/builtin_stub.h"
#include "tools/cli/console.h"
#include "tools/cli/files.h"
#include "tools/core/inspect.h"
#include "tools/core/names.h"
#include "tools/core/package_source.h"
#include "tools/core/picture.h"
#include "tools/core/saver_header.h"
#include "tools/core/texts.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Options = std::map<std::string, std::string>;

struct Command {
    const char* name;
    Text help;
    std::vector<std::string> valueOptions, flags;
    int (*run)(const std::string& input, Options& options);
};

int Fail(const std::string& file, const std::string& reason) {
    Show(stderr, "make-installer: " + file + ": " + reason + "\n");
    return 1;
}

int Usage(const std::string& message) {
    Show(stderr, "make-installer: " + Say(Text::kUsage, {message}) + "\n");
    return 2;
}

size_t BaseNameStart(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// An output that is one of the inputs would destroy the author's file the tool reads from.
int RefuseOverwritingInputs(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs)
        if (IsSameFile(output, input))
            return Fail(output, Say(Text::kReplacesInput, {input}));
    return 0;
}

// Refused by its size, before a screen saver too large to install is read.
int RefuseTooLarge(const std::string& saverPath) {
    if (FileSizeOf(saverPath) > kMaxSaverSize)
        return Fail(saverPath, Say(Text::kTooLarge, {SizeLimitText()}));
    return 0;
}

int OpenToRead(const std::string& path, FileSource* file) {
    std::string reason;
    if (!file->Open(path, &reason))
        return Fail(path, Say(Text::kCannotRead, {reason}));
    return 0;
}

// What goes around a screen saver's own bytes in the file written: its data header with the
// splash picture after them (`header`, a drop with a picture), an installer's head before them
// (`build`, a drop).
struct Around {
    const Bytes* splash = nullptr;  // the packed DIB of the data header to add (empty: none)
    const Bytes* stub = nullptr;    // the installer's program, the screen saver named `name`
    std::string name;
    InstallerFacts facts;  // of the installer made
    uint64_t size = 0;     // of the file written
};

// Reads the screen saver once: its bytes are searched for the package's markers as they are
// copied, and what goes around them is made from what that search found. The refusals that
// need the whole screen saver come last, and leave nothing written.
int WriteAround(const std::string& saverPath, FileSource& file, const std::string& output,
                Around* around) {
    uint64_t tailSize = around->splash ? kSplashAfterBlocks + around->splash->size() : 0;
    if (file.Size() + tailSize > kMaxSaverSize)
        return Fail(saverPath,
                    Say(tailSize ? Text::kTooLargeWithHeader : Text::kTooLarge, {SizeLimitText()}));
    uint32_t stubLength = around->stub ? static_cast<uint32_t>(around->stub->size()) : 0;
    uint64_t headSize =
        around->stub ? InstallerHeadSize(stubLength, static_cast<uint32_t>(file.Size() + tailSize))
                     : 0;
    ScannedSource scanned(file);
    Finish finish = [&](Bytes* head, Bytes* tail) {
        std::string reason;
        if (around->splash && !MakeSaverDataBlocks(scanned, *around->splash, tail, &reason)) {
            Fail(saverPath, reason);
            return false;
        }
        MemorySource tailSource(*tail);
        std::vector<const ByteSource*> parts = {&scanned, &tailSource};
        // The picture is written from the caller's DIB after the tail, not copied into it.
        MemorySource splashSource(around->splash ? around->splash->data() : nullptr,
                                  around->splash ? around->splash->size() : 0);
        if (around->splash)
            parts.push_back(&splashSource);
        JoinedSource saver(parts);
        if (around->stub && !WriteInstallerHead(around->stub->data(), stubLength, saver,
                                                around->name, head, &reason, &around->facts)) {
            Fail(saverPath, Say(Text::kRefusedAs, {around->name, reason}));
            return false;
        }
        return true;
    };
    std::string reason;
    if (!WriteAroundFile(output, file, &scanned, headSize, tailSize, finish, &reason,
                         around->splash))
        return reason.empty() ? 1 : Fail(output, reason);
    around->size = headSize + scanned.Size() + tailSize;
    return 0;
}

int Write(const std::string& path, const ByteSource& bytes, FileSource& input) {
    std::string reason;
    if (!WriteFileAtomically(path, bytes, input, &reason))
        return Fail(path, reason);
    return 0;
}

// `file`: the screen saver, already open when a drop with a picture read that first, and
// `splash` the picture's packed DIB then.
int BuildFile(const std::string& saverPath, FileSource& file, const Bytes* splash, Options& options,
              InstallerFacts* facts) {
    std::string given =
        options.count("--name") ? options["--name"] : saverPath.substr(BaseNameStart(saverPath));
    std::string name, reason, stored;
    // Before the screen saver is read: a name refused costs no copy of a large file.
    if (!TextFromArgument(given, &name, &reason) || !PackageName(name, &stored, &reason))
        return Fail(saverPath, Say(Text::kRefusedAs, {given, reason}));
    // Default: beside the saver, its file name without the extension and "Setup.exe".
    size_t dot = saverPath.find_last_of('.');
    if (dot == std::string::npos || dot < BaseNameStart(saverPath))
        dot = saverPath.size();
    std::string output =
        options.count("-o") ? options["-o"] : saverPath.substr(0, dot) + "Setup.exe";
    Bytes stub(kBuiltInStub, kBuiltInStub + kBuiltInStubSize);
    std::string stubPath = options.count("--stub") ? options["--stub"] : Say(Text::kBuiltInStub);
    std::vector<std::string> inputs = {saverPath};
    if (options.count("--stub"))
        inputs.push_back(stubPath);
    if (int refused = RefuseOverwritingInputs(output, inputs))
        return refused;
    if (int refused = RefuseTooLarge(saverPath))
        return refused;
    if (options.count("--stub") && FileSizeOf(stubPath) > kMaxInstallerSize)
        return Fail(stubPath, Say(Text::kTooLarge, {SizeLimitText()}));
    if (options.count("--stub") && !ReadWholeFile(stubPath, &stub, &reason))
        return Fail(stubPath, Say(Text::kCannotRead, {reason}));
    if (stub.empty())
        return Fail(stubPath, Say(Text::kNoBuiltInStub));
    if (!splash)
        if (int failed = OpenToRead(saverPath, &file))
            return failed;
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t at;
    if (FindMarker(stub.data(), static_cast<uint32_t>(stub.size()), marker, &at))
        return Fail(stubPath, Say(Text::kStubHasMarker));
    Around around;
    around.splash = splash;
    around.stub = &stub;
    around.name = name;
    if (int failed = WriteAround(saverPath, file, output, &around))
        return failed;
    *facts = around.facts;
    Show(stdout, Say(Text::kBuilt, {output, std::to_string(around.size), name}));
    return 0;
}

int Build(const std::string& saverPath, Options& options) {
    FileSource file;
    InstallerFacts facts;
    return BuildFile(saverPath, file, nullptr, options, &facts);
}

// The file streamed once for the package's two markers; the checks then read only what they
// look at.
int Inspect(const std::string& path, Options& options) {
    FileSource file;
    ScannedSource scanned(file);
    std::string reason;
    if (!file.Open(path, &reason) || !ScanFile(path, file, &scanned, &reason))
        return Fail(path, Say(Text::kCannotRead, {reason}));
    InstallerFacts facts = InspectInstaller(scanned);
    Show(stdout, options.count("--json") ? FormatInspectJson(facts) : FormatInspectText(facts));
    return facts.installs ? 0 : 1;
}

// Reads as the installer does, from the start to the name field: only the marker's search
// passes over the file, and the copy reads the screen saver once.
int Extract(const std::string& path, Options& options) {
    FileSource file;
    std::string reason;
    if (!file.Open(path, &reason))
        return Fail(path, Say(Text::kCannotRead, {reason}));
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint64_t p = 0;
    Bytes prefix;
    PackageLayout layout;
    bool found = file.Size() <= 0xFFFFFFFFu && file.FindMarker(0, file.Size(), marker, &p);
    if (!file.Failure().empty())
        return Fail(path, Say(Text::kCannotRead, {file.Failure()}));
    if (!found || !ReadPackageIn(file, static_cast<uint32_t>(p), &prefix, &layout))
        return Fail(path, Say(Text::kNoPackage));
    // The name as text, written in the system's own character set.
    std::string name, output = options.count("-o") ? options["-o"] : "";
    size_t bad = 0;
    if (output.empty() && !DecodeCp932(layout.saverName, &name, &bad))
        return Fail(path, NotCp932TextReason(layout.saverName, bad));
    if (output.empty() && !PathFromText(name.substr(BaseNameStart(name)), &output, &reason))
        return Fail(path, reason);
    if (!options.count("-o") && FileExists(output))
        return Fail(output, Say(Text::kExistsAlready));
    if (int refused = RefuseOverwritingInputs(output, {path}))
        return refused;
    if (int failed =
            Write(output, RangeSource(file, p + kSaverImageOffset, layout.saverImageLength), file))
        return failed;
    Show(stdout, Say(Text::kExtracted, {output, std::to_string(layout.saverImageLength)}));
    return 0;
}

// The screen saver opened and, given a picture, that picture as the installer draws it.
int ReadSaverAndPicture(const std::string& saverPath, const std::string& picturePath,
                        FileSource* saver, Bytes* dib) {
    if (int refused = RefuseTooLarge(saverPath))
        return refused;
    if (int failed = OpenToRead(saverPath, saver))
        return failed;
    std::string reason;
    if (!picturePath.empty()) {
        if (!IsPictureFileSizeTaken(FileSizeOf(picturePath), &reason))
            return Fail(picturePath, Say(Text::kNotTakenAsSplash, {reason}));
        FileSource picture;
        if (int failed = OpenToRead(picturePath, &picture))
            return failed;
        if (!PictureSourceToPackedDib(picture, dib, &reason))
            return Fail(picturePath, picture.Failure().empty()
                                         ? Say(Text::kNotTakenAsSplash, {reason})
                                         : Say(Text::kCannotRead, {picture.Failure()}));
    }
    return 0;
}

int Header(const std::string& saverPath, Options& options) {
    // Writing over the screen saver itself is what header does without -o.
    std::string output = options.count("-o") ? options["-o"] : saverPath;
    std::string picturePath = options.count("--splash") ? options["--splash"] : "";
    if (!picturePath.empty())
        if (int refused = RefuseOverwritingInputs(output, {picturePath}))
            return refused;
    FileSource saver;
    Bytes dib;
    if (int refused = ReadSaverAndPicture(saverPath, picturePath, &saver, &dib))
        return refused;
    Around around;
    around.splash = &dib;
    if (int failed = WriteAround(saverPath, saver, output, &around))
        return failed;
    Show(stdout, Say(Text::kHeaderWritten,
                     {output, std::to_string(around.size), std::to_string(dib.size())}));
    std::string note = SplashNote(dib.data(), dib.size());
    if (!note.empty())
        Show(stdout, Say(Text::kNoteLine, {note}));
    return 0;
}

const Command kCommands[] = {
    {"build", Text::kBuildHelp, {"-o", "--name", "--stub"}, {}, Build},
    {"inspect", Text::kInspectHelp, {}, {"--json"}, Inspect},
    {"extract", Text::kExtractHelp, {"-o"}, {}, Extract},
    {"header", Text::kHeaderHelp, {"-o", "--splash"}, {}, Header},
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list)
        if (entry == item)
            return true;
    return false;
}

bool HasExtension(const std::string& path, std::initializer_list<const char*> extensions) {
    std::string lower = path;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    for (const char* extension : extensions) {
        size_t length = strlen(extension);
        if (lower.size() > length && lower.compare(lower.size() - length, length, extension) == 0)
            return true;
    }
    return false;
}

bool IsSaverFile(const std::string& path) {
    return HasExtension(path, {".scr"});
}

bool IsPictureFile(const std::string& path) {
    return HasExtension(path, {".bmp", ".png", ".jpg", ".jpeg"});
}

// Files dropped onto the tool (or named without a command): one screen saver, alone or with a
// picture, in the order Explorer gives them. The installer goes where build puts it.
int Drop(const std::vector<std::string>& files) {
    std::string saverPath, picturePath;
    for (const std::string& file : files) {
        std::string& slot = IsSaverFile(file) ? saverPath : picturePath;
        if (!slot.empty() || (!IsSaverFile(file) && !IsPictureFile(file)))
            return Usage(Say(Text::kDropWhat));
        slot = file;
    }
    if (saverPath.empty())
        return Usage(Say(Text::kDropWhat));
    FileSource file;
    Bytes dib;
    if (!picturePath.empty())
        if (int refused = ReadSaverAndPicture(saverPath, picturePath, &file, &dib))
            return refused;
    Options options;
    InstallerFacts facts;
    if (int failed =
            BuildFile(saverPath, file, picturePath.empty() ? nullptr : &dib, options, &facts))
        return failed;
    Show(stdout, "\n" + FormatInspectText(facts));
    return 0;
}

int Run(const std::vector<std::string>& argv) {
    int argc = static_cast<int>(argv.size());
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        Show(stdout, Say(Text::kToolHelp));
        return 0;
    }
    if (first == "--version") {
        Show(stdout, std::string("make-installer ") + SETUP_VERSION_TEXT + "\n");
        return 0;
    }
    // A double-click from Explorer: nothing to do but say how to use the tool.
    if (first.empty()) {
        Show(stdout, Say(Text::kDropGuide));
        return 2;
    }
    for (const Command& command : kCommands) {
        if (first != command.name)
            continue;
        Options options;
        std::vector<std::string> inputs;
        for (int i = 2; i < argc; ++i) {
            std::string arg = argv[i];
            if (arg == "--help" || arg == "-h") {
                Show(stdout, Say(command.help));
                return 0;
            }
            if (Contains(command.flags, arg)) {
                options[arg] = "";
            } else if (Contains(command.valueOptions, arg)) {
                if (i + 1 >= argc)
                    return Usage(Say(Text::kNeedsValue, {arg}));
                options[arg] = argv[++i];
            } else if (arg.size() > 1 && arg[0] == '-') {
                return Usage(Say(Text::kUnknownOption, {arg, first}));
            } else {
                inputs.push_back(arg);
            }
        }
        if (inputs.size() != 1)
            return Usage(Say(Text::kTakesOneFile, {first}));
        return command.run(inputs[0], options);
    }
    if (argc <= 3 && (IsSaverFile(first) || IsPictureFile(first)))
        return Drop(std::vector<std::string>(argv.begin() + 1, argv.end()));
    return Usage(Say(Text::kUnknownCommand, {first}));
}

}  // namespace

int main(int argc, char** argv) {
    SetLanguage(UserLanguage());
    int status = 1;
    // Whatever asked for the memory: the tool says so and ends as a refusal, its output unwritten.
    try {
        status = Run(CommandLine(argc, argv));
    } catch (const std::bad_alloc&) {
        Show(stderr, "make-installer: " + Say(Text::kOutOfMemory) + "\n");
    } catch (const std::length_error&) {
        Show(stderr, "make-installer: " + Say(Text::kOutOfMemory) + "\n");
    }
    fflush(stdout);
    fflush(stderr);
    // From Explorer the window would close before the author could read it.
    if (OwnsConsoleWindow())
        WaitForKey(Say(Text::kPressAnyKey));
    return status;
}
