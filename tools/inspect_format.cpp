// The facts of tools/inspect.h for people (a few aligned lines) and for programs (one JSON
// object).
#include <stdio.h>

#include "tools/inspect.h"

namespace {

std::string Number(int64_t value) {
    return value < 0 ? std::string("?") : std::to_string(value);
}

std::string SplashText(const InstallerFacts& f) {
    if (f.splashLength == 0)
        return "none";
    if (!f.splashDescribed)
        return "unreadable";
    const DibFacts& s = f.splash;
    return std::string(s.kind) + " header, " + std::to_string(s.width) + " x " +
           std::to_string(s.height < 0 ? -int64_t{s.height} : s.height) +
           (s.height < 0 ? " top-down" : "") + ", " + std::to_string(s.bitCount) +
           " bits per pixel, " + std::to_string(s.colours) + " colours in its table";
}

// JSON wants UTF-8; a name is bytes in the installer's code page, so each byte outside ASCII
// is written as its own \u00XX.
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Field(const char* key, const std::string& value, bool last = false) {
    return std::string("\"") + key + "\": " + value + (last ? "" : ", ");
}

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string JsonNumber(int64_t value) {
    return value < 0 ? "null" : std::to_string(value);
}

}  // namespace

std::string FormatInspectText(const InstallerFacts& f) {
    std::string out;
    if (f.packageFound) {
        out += "stub:          " + std::to_string(f.stubSize) +
               " bytes (P = " + std::to_string(f.stubSize) + "), signature: " +
               (f.signatureAttached ? "yes, " + std::to_string(f.signatureSize) + " bytes" : "no") +
               "\n";
        out += "name:          " + f.name + " (shown as \"" + f.displayName + "\")\n";
        out += "screen saver:  " + std::to_string(f.saverSize) + " bytes\n";
    }
    if (f.headerFound) {
        out += "data header:   Q = " + std::to_string(f.headerOffset) +
               ", X = " + Number(f.firstBlock) + ", Y = " + Number(f.secondBlock) +
               ", N = " + Number(f.splashLength) + "\n";
        out += "splash:        " + SplashText(f) + "\n";
    }
    out += "checks:\n";
    for (const InstallerCheck& c : f.checks) {
        std::string what = c.what;
        out += "  " + what + std::string(20 - what.size(), ' ') +
               (c.failure.empty() ? "ok" : c.failure) + "\n";
    }
    out += std::string("result:        ") + (f.installs ? "installs" : "does not install") + "\n";
    return out;
}

std::string FormatInspectJson(const InstallerFacts& f) {
    std::string out = "{";
    out += Field("file_size", std::to_string(f.fileSize));
    out += Field("package", Bool(f.packageFound));
    if (f.packageFound) {
        out += Field("stub_size", std::to_string(f.stubSize));
        out += Field("signature", "{" + Field("attached", Bool(f.signatureAttached)) +
                                      Field("size", std::to_string(f.signatureSize), true) + "}");
        out += Field("name", Quote(f.name)) + Field("display_name", Quote(f.displayName));
        out += Field("saver_size", std::to_string(f.saverSize));
    }
    if (f.headerFound) {
        out += Field("data_header", "{" + Field("q", std::to_string(f.headerOffset)) +
                                        Field("x", JsonNumber(f.firstBlock)) +
                                        Field("y", JsonNumber(f.secondBlock)) +
                                        Field("n", JsonNumber(f.splashLength), true) + "}");
    }
    if (f.splashDescribed) {
        const DibFacts& s = f.splash;
        out += Field("splash", "{" + Field("header", Quote(s.kind)) +
                                   Field("width", std::to_string(s.width)) +
                                   Field("height", std::to_string(s.height)) +
                                   Field("bits_per_pixel", std::to_string(s.bitCount)) +
                                   Field("colours", std::to_string(s.colours), true) + "}");
    }
    std::string checks;
    for (const InstallerCheck& c : f.checks)
        checks += std::string(checks.empty() ? "" : ", ") + "{" + Field("check", Quote(c.what)) +
                  Field("ok", Bool(c.failure.empty())) +
                  Field("stops_install", Bool(c.stopsInstall)) +
                  Field("reason", Quote(c.failure), true) + "}";
    out += Field("checks", "[" + checks + "]");
    out += Field("installs", Bool(f.installs), true);
    return out + "}\n";
}
