#include "tools/core/names.h"

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "tools/core/texts.h"

// tools/core/make_cp932_table.py writes it at build time.
extern const uint16_t kCp932DoubleBytes[60 * 188];

namespace {

int LeadIndex(unsigned lead) {
    return lead >= 0x81 && lead <= 0x9F   ? static_cast<int>(lead - 0x81)
           : lead >= 0xE0 && lead <= 0xFC ? static_cast<int>(lead - 0xE0 + 31)
                                          : -1;
}

int TrailIndex(unsigned trail) {
    return trail >= 0x40 && trail <= 0xFC && trail != 0x7F
               ? static_cast<int>(trail - 0x40 - (trail > 0x7F))
               : -1;
}

// One byte: ASCII as it is (0x5C is the backslash, 0x7E the tilde) and half-width katakana.
// 0x80, 0xA0 and 0xFD-0xFF are no text.
uint32_t SingleByte(unsigned byte) {
    return byte < 0x80 ? byte : byte >= 0xA1 && byte <= 0xDF ? 0xFF61 + (byte - 0xA1) : 0;
}

// Characters with more than one code get the one Windows writes: JIS X 0208 first, then NEC
// row 13, the IBM extensions, and the NEC-selected IBM extensions last.
const std::vector<std::pair<uint16_t, uint16_t>>& EncodeTable() {
    static std::vector<std::pair<uint16_t, uint16_t>> table;
    if (!table.empty())
        return table;
    auto rank = [](unsigned lead) { return lead == 0xED || lead == 0xEE ? lead + 0x100 : lead; };
    std::vector<unsigned> leads;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead)
        if (LeadIndex(lead) >= 0)
            leads.push_back(lead);
    std::stable_sort(leads.begin(), leads.end(),
                     [&](unsigned a, unsigned b) { return rank(a) < rank(b); });
    for (unsigned lead : leads)
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail)
            if (TrailIndex(trail) >= 0)
                if (uint16_t unit = kCp932DoubleBytes[LeadIndex(lead) * 188 + TrailIndex(trail)])
                    table.push_back({unit, static_cast<uint16_t>(lead << 8 | trail)});
    std::stable_sort(table.begin(), table.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return table;
}

// The code page 932 bytes of one character; empty when it has none.
std::string Encode(uint32_t c) {
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    if (c >= 0xFF61 && c <= 0xFF9F)
        return std::string(1, static_cast<char>(0xA1 + (c - 0xFF61)));
    const auto& table = EncodeTable();
    auto found =
        std::lower_bound(table.begin(), table.end(), std::make_pair(uint16_t(c), uint16_t(0)));
    if (c > 0xFFFF || found == table.end() || found->first != c)
        return "";
    return {static_cast<char>(found->second >> 8), static_cast<char>(found->second & 0xFF)};
}

void AppendUtf8(uint32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | c >> 6);
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | c >> 12);
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | c >> 18);
        *out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The characters of UTF-8 text; false for anything else.
bool DecodeUtf8(const std::string& text, std::u32string* chars) {
    chars->clear();
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        size_t extra = b < 0x80                 ? 0
                       : b >= 0xC2 && b <= 0xDF ? 1
                       : b >= 0xE0 && b <= 0xEF ? 2
                       : b >= 0xF0 && b <= 0xF4 ? 3
                                                : 9;
        if (extra == 9 || i + extra >= text.size())
            return false;
        uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (size_t k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = c << 6 | (next & 0x3F);
        }
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        chars->push_back(c);
        i += extra + 1;
    }
    return true;
}

// "é" (U+00E9); a control character by its number alone.
std::string CharacterName(uint32_t c) {
    char number[16];
    snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(c));
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
        return number;
    std::string shown = "\"";
    AppendUtf8(c, &shown);
    return shown + "\" (" + number + ")";
}

bool IsForbidden(uint32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) ||
           std::u32string(U"\\/:*?\"<>|").find(c) != std::u32string::npos;
}

bool CheckCharacters(const std::u32string& chars, bool encodable, std::string* reason) {
    if (chars.empty()) {
        *reason = Say(Text::kNameEmpty);
        return false;
    }
    for (uint32_t c : chars) {
        if (IsForbidden(c)) {
            *reason = Say(Text::kNameForbiddenCharacter, {CharacterName(c)});
            return false;
        }
        if (encodable && Encode(c).empty()) {
            *reason = Say(Text::kNameOutsideCp932, {CharacterName(c)});
            return false;
        }
    }
    if (chars.back() == U'.' || chars.back() == U' ') {
        *reason = Say(Text::kNameTrailingDotOrSpace);
        return false;
    }
    // Its last dot its first character: nothing before the extension. (Counted, not searched
    // from the end: the library's backward search wraps an unsigned count, which the fuzzers'
    // build stops at.)
    if (chars[0] == U'.' && std::count(chars.begin(), chars.end(), U'.') == 1) {
        *reason = Say(Text::kNameEmptyStem);
        return false;
    }
    return true;
}

}  // namespace

bool IsUtf8(const std::string& text) {
    std::u32string chars;
    return DecodeUtf8(text, &chars);
}

bool CheckFileName(const std::string& utf8, std::string* reason) {
    std::u32string chars;
    if (!DecodeUtf8(utf8, &chars)) {
        *reason = Say(Text::kNameNotText, {"UTF-8"});
        return false;
    }
    return CheckCharacters(chars, false, reason);
}

bool PackageName(const std::string& utf8, std::string* cp932, std::string* reason) {
    std::u32string chars;
    if (!DecodeUtf8(utf8, &chars)) {
        *reason = Say(Text::kNameNotText, {"UTF-8"});
        return false;
    }
    if (!CheckCharacters(chars, true, reason))
        return false;
    cp932->clear();
    for (uint32_t c : chars)
        *cp932 += Encode(c);
    return true;
}

std::string NotCp932TextReason(const std::string& bytes, size_t badOffset) {
    char byte[8];
    snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(bytes[badOffset]));
    return Say(Text::kNameNotCp932Text, {byte, std::to_string(badOffset)});
}

bool DecodeCp932(const std::string& bytes, std::string* utf8, size_t* badOffset) {
    utf8->clear();
    bool text = true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned lead = static_cast<unsigned char>(bytes[i]);
        uint32_t c = SingleByte(lead);
        if (LeadIndex(lead) >= 0 && i + 1 < bytes.size()) {
            int trail = TrailIndex(static_cast<unsigned char>(bytes[i + 1]));
            c = trail < 0 ? 0 : kCp932DoubleBytes[LeadIndex(lead) * 188 + trail];
            i += c != 0;
        }
        if (c == 0 && lead != 0) {
            if (text && badOffset)
                *badOffset = i;
            text = false;
            c = 0xFFFD;
        }
        AppendUtf8(c, utf8);
    }
    return text;
}
