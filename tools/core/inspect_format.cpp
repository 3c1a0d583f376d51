// The facts of tools/core/inspect.h for people (a few aligned lines) and for programs (one JSON
// object).
#include <stdio.h>

#include <algorithm>

#include "tools/core/inspect.h"
#include "tools/core/saver_program.h"
#include "tools/core/texts.h"

namespace {

std::string Number(int64_t value) {
    return value < 0 ? std::string("?") : std::to_string(value);
}

std::string SplashText(const InstallerFacts& f) {
    if (f.splashLength == 0)
        return Say(Text::kSplashNone);
    if (!f.splashDescribed)
        return Say(Text::kSplashUnreadable);
    const DibFacts& s = f.splash;
    return Say(Text::kSplashFacts, {s.kind, std::to_string(s.width),
                                    std::to_string(s.height < 0 ? -int64_t{s.height} : s.height),
                                    s.height < 0 ? Say(Text::kTopDown) : "",
                                    std::to_string(s.bitCount), std::to_string(s.colours)});
}

// The label column is as wide as the longest label in the language shown, and two more.
size_t LabelColumns() {
    size_t widest = 0;
    for (Text label :
         {Text::kLabelStub, Text::kLabelName, Text::kLabelSaver, Text::kLabelMachine,
          Text::kLabelRemoval, Text::kLabelDataHeader, Text::kLabelSplash, Text::kLabelResult})
        widest = std::max(widest, ColumnsOf(Say(label)));
    return widest + 2;
}

size_t CheckColumns(const InstallerFacts& f) {
    size_t widest = 0;
    for (const InstallerCheck& c : f.checks)
        widest = std::max(widest, ColumnsOf(Say(c.what)));
    return std::max<size_t>(widest + 2, 20);
}

// Texts are UTF-8 and stay so; bytes that are no text (a kind of picture header, say) are
// written each as its own \u00XX.
std::string Quote(const std::string& text, bool utf8 = false) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || (c > 0x7F && !utf8)) {
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
    const size_t column = LabelColumns();
    auto line = [column](Text label, const std::string& value) {
        return PadTo(Say(label), column) + value + "\n";
    };
    std::string out;
    if (f.packageFound) {
        std::string signature = f.signatureAttached
                                    ? Say(Text::kSignatureYes, {std::to_string(f.signatureSize)})
                                    : Say(Text::kSignatureNo);
        out +=
            line(Text::kLabelStub, Say(Text::kStubFacts, {std::to_string(f.stubSize), signature}));
        out += line(Text::kLabelName, Say(Text::kShownAs, {f.name, f.displayName}));
        out += line(Text::kLabelSaver, Say(Text::kBytes, {std::to_string(f.saverSize)}));
        out += line(Text::kLabelMachine, MachineAndPlace(f.saverMachine));
        out +=
            line(Text::kLabelRemoval, f.addsRemovalEntry ? Say(Text::kRemovalEntry, {f.displayName})
                                                         : Say(Text::kRemovalNone));
    }
    if (f.headerFound) {
        out += line(Text::kLabelDataHeader,
                    "Q = " + std::to_string(f.headerOffset) + ", X = " + Number(f.firstBlock) +
                        ", Y = " + Number(f.secondBlock) + ", N = " + Number(f.splashLength));
        out += line(Text::kLabelSplash, SplashText(f));
    }
    out += Say(Text::kLabelChecks) + "\n";
    const size_t checkColumn = CheckColumns(f);
    for (const InstallerCheck& c : f.checks)
        out += "  " + PadTo(Say(c.what), checkColumn) +
               (!c.failure.empty() ? c.failure
                : c.note.empty()   ? Say(Text::kCheckOk)
                                   : Say(Text::kCheckNoted, {c.note})) +
               "\n";
    out += line(Text::kLabelResult, Say(f.installs ? Text::kInstalls : Text::kDoesNotInstall));
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
        std::string bytes;
        for (unsigned char c : f.nameBytes) {
            char hex[4];
            snprintf(hex, sizeof hex, "%02x", c);
            bytes += hex;
        }
        out += Field("name", Quote(f.name, true)) + Field("name_cp932", Quote(bytes)) +
               Field("display_name", Quote(f.displayName, true));
        out += Field("saver_size", std::to_string(f.saverSize));
        out += Field("machine", f.saverMachine ? Quote(MachineName(f.saverMachine)) : "null");
        out += Field("machine_place", Quote(MachineAndPlace(f.saverMachine), true));
        out +=
            Field("removal_entry",
                  f.addsRemovalEntry ? Quote(f.displayName + " スクリーンセーバー", true) : "null");
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
        checks += std::string(checks.empty() ? "" : ", ") + "{" +
                  Field("check", Quote(SayIn(Language::kEnglish, c.what))) +
                  Field("ok", Bool(c.failure.empty())) +
                  Field("stops_install", Bool(c.stopsInstall)) +
                  (c.note.empty() ? "" : Field("note", Quote(c.note, true))) +
                  Field("reason", Quote(c.failure, true), true) + "}";
    out += Field("checks", "[" + checks + "]");
    out += Field("installs", Bool(f.installs), true);
    return out + "}\n";
}

std::string FormatCheckNamesJson(const InstallerFacts& f) {
    std::string names;
    for (const InstallerCheck& c : f.checks)
        names += (names.empty() ? "" : ", ") + Quote(Say(c.what), true);
    return "[" + names + "]";
}
