#pragma once
// Double-byte aware operations on narrow Windows paths (code page 932 in this program).
// All work in place on the caller's text or return positions inside it; none allocates.
// Buffers are MAX_PATH (260) bytes and nothing here checks capacity.

enum { kPathBufferSize = 260 };

// Nonzero when the byte leads a two-byte character in code page 932, on every system: the
// system's own rule (IsDBCSLeadByte) would split the program's texts elsewhere under another code
// page.
int IsLeadByte(unsigned char byte);

// The next byte that a path walk examines as a one-byte character, starting at `p`:
// two-byte characters are stepped over whole, so a trail byte of 0x5C is never a backslash.
// Returns the terminator's position when nothing is left to examine.
const char* SkipDoubleBytes(const char* p);

// 1 when the walk examines the last byte as a one-byte backslash. The byte before it proves
// nothing: in code page 932 the trail byte of 字 (0x8E 0x9A) has a lead-byte value.
int EndsWithSeparator(const char* path);

// Where the last component of `path` begins (never null).
char* GetFileNamePart(char* path);
const char* GetFileNamePart(const char* path);

// Appends a backslash and `part`, then collapses doubled backslashes except at the very start.
void AppendPathPart(char* path, const char* part);

// Where the extension text begins (just after the last dot of the last component that is
// followed by neither the end nor a space); the end of the text when there is none; null for a
// null or empty path.
char* GetExtensionPart(char* path);

// Replaces the extension or adds one. Does nothing for a null or empty extension or an empty path.
void SetExtension(char* path, const char* extension);

// 1 when a file, folder, wildcard match or drive root exists; 0 for a path of 260 bytes or more.
// Win32 only.
int PathExists(const char* path);

// Fills a 260-byte buffer with the user's temporary folder and creates it when missing; leaves it
// empty when the platform gives no folder that fits. Win32 only.
void GetTempFolder(char* buffer);
