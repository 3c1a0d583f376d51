#pragma once
// Writing the screen saver into the system folder without ever losing one that was there:
// an existing file of the same name is renamed aside in the same folder first, and comes back
// whenever the new one goes away (failed write, decline, abort).

#include <windows.h>

// Writes `length` bytes to `targetPath` in one call. 1 when all were written; the name of the
// kept-aside earlier file is then in `previousCopy` (260 bytes, empty when there was none).
// 0 on any failure: the new file is gone and an earlier one is back in place.
int WriteSaverFile(const char* targetPath, const BYTE* bytes, DWORD length, char* previousCopy);

// Deletes the new file and renames the kept file back; empties `previousCopy`.
void RemoveInstalledFile(const char* targetPath, char* previousCopy);

// The new file stays: deletes the kept copy and empties `previousCopy`.
void DiscardPreviousFile(char* previousCopy);
