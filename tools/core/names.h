#pragma once
// The screen saver's name as authors type it and as the package holds it. Authors give text
// (UTF-8 here, whatever their system used); the package holds code page 932 bytes, which the
// installer hands to Windows as UTF-16. One rule for the command-line tools and the page.

#include <stddef.h>

#include <string>

// The name as the package stores it, or false with the reason: not UTF-8 text, a character
// that code page 932 cannot hold (no look-alike is taken instead), or a name Windows cannot
// hold as one file name in the system folder (see CheckFileName).
bool PackageName(const std::string& utf8, std::string* cp932, std::string* reason);

// What Windows cannot hold as one file name: nothing at all, \ / : * ? " < > |, control
// characters, a trailing dot or space (Windows drops them), nothing before the extension (the
// boxes would show an empty name). True when the UTF-8 text passes; else the reason.
bool CheckFileName(const std::string& utf8, std::string* reason);

// Code page 932 bytes as UTF-8. False at the first byte that starts no character of the code
// page, with its offset; `utf8` then holds U+FFFD in place of each such byte.
bool DecodeCp932(const std::string& bytes, std::string* utf8, size_t* badOffset = nullptr);

// Why the installer installs nothing under `bytes`, whose byte at `badOffset` is no text.
std::string NotCp932TextReason(const std::string& bytes, size_t badOffset);

// False when `text` is not UTF-8 (overlong forms, surrogates and truncated sequences included).
bool IsUtf8(const std::string& text);
