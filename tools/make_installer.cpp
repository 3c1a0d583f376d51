// make-installer: builds a self-extracting installer for one screen saver.
//
//   make-installer SETUP.EXE SAVER.SCR OUTPUT.EXE [NAME]
//
// NAME is the file name the screen saver gets in the system folder (default: the file name of
// SAVER.SCR). The output is written to a temporary file beside it and renamed into place, so a
// failure never leaves a half-written installer.
#include <stdio.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "installer/package.h"

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int Fail(const std::string& message) {
    fprintf(stderr, "make-installer: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        fprintf(stderr, "usage: make-installer SETUP.EXE SAVER.SCR OUTPUT.EXE [NAME]\n");
        return 2;
    }
    std::string stubPath = argv[1], saverPath = argv[2], outputPath = argv[3];
    std::string name = argc == 5 ? argv[4] : BaseName(saverPath);
    std::vector<uint8_t> stub, saver;
    if (!ReadFile(stubPath, &stub))
        return Fail("cannot read " + stubPath + ": " + strerror(errno));
    if (!ReadFile(saverPath, &saver))
        return Fail("cannot read " + saverPath + ": " + strerror(errno));
    uint64_t size =
        InstallerFileSize(static_cast<uint32_t>(stub.size()), static_cast<uint32_t>(saver.size()));
    if (stub.size() > 0xFFFFFFFFu || saver.size() > 0xFFFFFFFFu || size > 0xFFFFFFFFu)
        return Fail("the installer would reach 4 GiB");
    std::vector<uint8_t> output(size);
    const char* reason = nullptr;
    if (!WriteInstallerFile(stub.data(), static_cast<uint32_t>(stub.size()), saver.data(),
                            static_cast<uint32_t>(saver.size()), name.c_str(), output.data(),
                            &reason))
        return Fail(std::string("refused: ") + reason);

    std::string temporary = outputPath + ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(output.data()),
                  static_cast<std::streamsize>(output.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return Fail("cannot write " + temporary);
        }
    }
    if (std::rename(temporary.c_str(), outputPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        return Fail("cannot rename into " + outputPath + ": " + strerror(errno));
    }
    printf("%s: %zu bytes, installs %s\n", outputPath.c_str(), output.size(), name.c_str());
    return 0;
}
