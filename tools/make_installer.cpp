// make-installer: the authors' tool. Builds a self-extracting installer for one screen saver,
// shows what an installer will do, takes the screen saver back out, and gives a finished screen
// saver the installer's data header with a splash picture. The logic lives in the files beside
// this one; here are the command line and the files.
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "installer/package.h"
#include "resources/version.h"
#include "tools/builtin_stub.h"
#include "tools/files.h"
#include "tools/inspect.h"
#include "tools/picture.h"
#include "tools/saver_header.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kToolHelp[] =
    "usage: make-installer COMMAND ARGUMENTS\n"
    "\n"
    "  build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
    "                     join the installer and a screen saver into one program\n"
    "  inspect INSTALLER.EXE [--json]\n"
    "                     show what an installer will do; exit 1 when it will not install\n"
    "  extract INSTALLER.EXE [-o SAVER.SCR]\n"
    "                     take the screen saver back out, byte for byte\n"
    "  header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
    "                     append the installer's data header with a splash picture\n"
    "\n"
    "  make-installer COMMAND --help   more on one command\n"
    "  make-installer --version        the version\n"
    "\n"
    "Exit codes: 0 done, 1 refused or failed (one line says which file and why), 2 usage.\n";

struct Command {
    const char* name;
    const char* help;
    std::vector<std::string> valueOptions, flags;
    int (*run)(const std::string& input, std::map<std::string, std::string>& options);
};

int Fail(const std::string& file, const std::string& reason) {
    fprintf(stderr, "make-installer: %s: %s\n", file.c_str(), reason.c_str());
    return 1;
}

int Usage(const std::string& message) {
    fprintf(stderr, "make-installer: %s (make-installer --help)\n", message.c_str());
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
            return Fail(output, "the output would replace an input (" + input +
                                    "); name another file with -o");
    return 0;
}

// Refused by its size, before a screen saver too large to install is read whole into memory.
int RefuseTooLarge(const std::string& saverPath) {
    if (FileSizeOf(saverPath) > kMaxSaverSize)
        return Fail(saverPath, "too large: " + SizeLimitText());
    return 0;
}

int Write(const std::string& path, const Bytes& bytes) {
    std::string reason;
    if (!WriteFileAtomically(path, bytes, &reason))
        return Fail(path, reason);
    return 0;
}

int Build(const std::string& saverPath, std::map<std::string, std::string>& options) {
    std::string name =
        options.count("--name") ? options["--name"] : saverPath.substr(BaseNameStart(saverPath));
    // Default: beside the saver, its file name without the extension and "Setup.exe".
    size_t dot = saverPath.find_last_of('.');
    if (dot == std::string::npos || dot < BaseNameStart(saverPath))
        dot = saverPath.size();
    std::string output =
        options.count("-o") ? options["-o"] : saverPath.substr(0, dot) + "Setup.exe";
    Bytes stub(kBuiltInStub, kBuiltInStub + kBuiltInStubSize), saver, installer;
    std::string stubPath = options.count("--stub") ? options["--stub"] : "built-in stub";
    std::vector<std::string> inputs = {saverPath};
    if (options.count("--stub"))
        inputs.push_back(stubPath);
    if (int refused = RefuseOverwritingInputs(output, inputs))
        return refused;
    if (int refused = RefuseTooLarge(saverPath))
        return refused;
    std::string reason;
    if (options.count("--stub") && !ReadWholeFile(stubPath, &stub, &reason))
        return Fail(stubPath, "cannot read: " + reason);
    if (stub.empty())
        return Fail(stubPath,
                    "this make-installer was built without setup.exe; give --stub SETUP.EXE");
    if (!ReadWholeFile(saverPath, &saver, &reason))
        return Fail(saverPath, "cannot read: " + reason);
    char marker[kMarkerBufferSize];
    BuildSetupBoundary(marker);
    uint32_t at;
    if (stub.size() <= 0xFFFFFFFFu &&
        FindMarker(stub.data(), static_cast<uint32_t>(stub.size()), marker, &at))
        return Fail(stubPath, "refused: the program already contains the setup boundary marker");
    if (!BuildInstaller(stub, saver, name, &installer, &reason))
        return Fail(saverPath, "refused as \"" + name + "\": " + reason);
    if (int failed = Write(output, installer))
        return failed;
    printf("%s: %zu bytes, installs %s\n", output.c_str(), installer.size(), name.c_str());
    return 0;
}

int Inspect(const std::string& path, std::map<std::string, std::string>& options) {
    Bytes file;
    std::string reason;
    if (!ReadWholeFile(path, &file, &reason))
        return Fail(path, "cannot read: " + reason);
    InstallerFacts facts = InspectInstaller(file.data(), file.size());
    std::string text =
        options.count("--json") ? FormatInspectJson(facts) : FormatInspectText(facts);
    fputs(text.c_str(), stdout);
    return facts.installs ? 0 : 1;
}

int Extract(const std::string& path, std::map<std::string, std::string>& options) {
    Bytes file;
    std::string reason;
    if (!ReadWholeFile(path, &file, &reason))
        return Fail(path, "cannot read: " + reason);
    PackageLayout layout;
    if (file.size() > 0xFFFFFFFFu ||
        !LocatePackage(file.data(), static_cast<uint32_t>(file.size()), &layout))
        return Fail(path, "no package the installer would read (make-installer inspect says why)");
    std::string name = layout.saverName;
    std::string output = options.count("-o") ? options["-o"] : name.substr(BaseNameStart(name));
    if (!options.count("-o") && FileExists(output))
        return Fail(output, "exists already; name it with -o to replace it");
    if (int refused = RefuseOverwritingInputs(output, {path}))
        return refused;
    if (int failed =
            Write(output, Bytes(layout.saverImage, layout.saverImage + layout.saverImageLength)))
        return failed;
    printf("%s: %u bytes\n", output.c_str(), layout.saverImageLength);
    return 0;
}

int Header(const std::string& saverPath, std::map<std::string, std::string>& options) {
    Bytes saver, picture, dib, out;
    // Writing over the screen saver itself is what header does without -o.
    std::string output = options.count("-o") ? options["-o"] : saverPath;
    if (options.count("--splash"))
        if (int refused = RefuseOverwritingInputs(output, {options["--splash"]}))
            return refused;
    if (int refused = RefuseTooLarge(saverPath))
        return refused;
    std::string reason;
    if (!ReadWholeFile(saverPath, &saver, &reason))
        return Fail(saverPath, "cannot read: " + reason);
    if (options.count("--splash")) {
        const std::string& picturePath = options["--splash"];
        if (!ReadWholeFile(picturePath, &picture, &reason))
            return Fail(picturePath, "cannot read: " + reason);
        if (!PictureToPackedDib(picture.data(), picture.size(), &dib, &reason))
            return Fail(picturePath, reason);
    }
    if (!AppendSaverDataHeader(saver, dib, &out, &reason))
        return Fail(saverPath, reason);
    if (out.size() > kMaxSaverSize)
        return Fail(saverPath, "too large with its data header: " + SizeLimitText());
    if (int failed = Write(output, out))
        return failed;
    printf("%s: %zu bytes, splash picture of %zu bytes\n", output.c_str(), out.size(), dib.size());
    return 0;
}

const Command kCommands[] = {
    {"build",
     "usage: make-installer build SAVER.SCR [-o OUTPUT.EXE] [--name NAME] [--stub SETUP.EXE]\n"
     "\n"
     "Joins the installer and SAVER.SCR into OUTPUT.EXE (default: SAVER without its extension\n"
     "and \"Setup.exe\", beside it). NAME is the file name the screen saver gets in the system\n"
     "folder (default: SAVER.SCR's); the boxes show it without its last extension. --stub uses\n"
     "another setup.exe than the one built in. Refuses whatever the installer would not install\n"
     "as given; the output is written whole or not at all.\n",
     {"-o", "--name", "--stub"},
     {},
     Build},
    {"inspect",
     "usage: make-installer inspect INSTALLER.EXE [--json]\n"
     "\n"
     "Shows the stub's size (P) and signature, the name and the name the boxes show, the screen\n"
     "saver's size, its data header (Q, X, Y, N), the splash picture, and each check. Exit 0\n"
     "when the installer will install, 1 when not. --json: the same as one JSON object.\n",
     {},
     {"--json"},
     Inspect},
    {"extract",
     "usage: make-installer extract INSTALLER.EXE [-o SAVER.SCR]\n"
     "\n"
     "Writes the screen saver back out, byte for byte (default: its name from the package, in\n"
     "the current folder, never over an existing file; -o names a file to write or replace).\n",
     {"-o"},
     {},
     Extract},
    {"header",
     "usage: make-installer header SAVER.SCR [--splash PICTURE] [-o OUT.SCR]\n"
     "\n"
     "Appends the installer's data header to a finished screen saver (default: in place), with\n"
     "PICTURE as the splash picture or without one. PICTURE is a PNG, JPEG or BMP file (known\n"
     "by its first bytes; BMP with 12, 40, 108 or 124-byte headers, 1 to 32 bits, BI_RGB,\n"
     "BI_BITFIELDS, BI_RLE8 or BI_RLE4), at most 8192 pixels on a side. The installer leaves\n"
     "black transparent: a pixel less than half opaque (alpha below 128) becomes black, any\n"
     "other keeps its colour. Refuses a screen saver that already carries a data header.\n",
     {"-o", "--splash"},
     {},
     Header},
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    for (const std::string& entry : list)
        if (entry == item)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help" || first == "-h") {
        fputs(kToolHelp, stdout);
        return 0;
    }
    if (first == "--version") {
        printf("make-installer %s\n", SETUP_VERSION_TEXT);
        return 0;
    }
    if (first.empty())
        return Usage("no command");
    for (const Command& command : kCommands) {
        if (first != command.name)
            continue;
        std::map<std::string, std::string> options;
        std::vector<std::string> inputs;
        for (int i = 2; i < argc; ++i) {
            std::string arg = argv[i];
            if (arg == "--help" || arg == "-h") {
                fputs(command.help, stdout);
                return 0;
            }
            if (Contains(command.flags, arg)) {
                options[arg] = "";
            } else if (Contains(command.valueOptions, arg)) {
                if (i + 1 >= argc)
                    return Usage(arg + " needs a value");
                options[arg] = argv[++i];
            } else if (arg.size() > 1 && arg[0] == '-') {
                return Usage("unknown option " + arg + " for " + first);
            } else {
                inputs.push_back(arg);
            }
        }
        if (inputs.size() != 1)
            return Usage(first + " takes one file");
        return command.run(inputs[0], options);
    }
    return Usage("unknown command " + first);
}
