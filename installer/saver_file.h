#pragma once
// Writing the screen saver into the system folder without ever losing one that was there:
// an existing file of the same name is renamed aside in the same folder first, and comes back
// whenever the new one goes away (failed write, decline, abort).

#include <windows.h>

// Writes `length` bytes to `targetPath` in one call. 1 when all were written; the name of the
// kept-aside earlier file is then in `previousCopy` (260 characters, empty when there was none).
// 0 on any failure: the new file is gone and an earlier one is back in place, or, should it not
// go back, still named in `previousCopy`. A read-only earlier file is left as it is: 0.
int WriteSaverFile(const wchar_t* targetPath, const BYTE* bytes, DWORD length,
                   wchar_t* previousCopy);

// Renames the kept file back over `targetPath`. 1 when nothing is kept any more; 0 when the
// rename failed, and `previousCopy` still names the copy, which must then not be deleted.
int RestorePreviousFile(const wchar_t* targetPath, wchar_t* previousCopy);

// Deletes the new file and puts the kept one back, as RestorePreviousFile.
int RemoveInstalledFile(const wchar_t* targetPath, wchar_t* previousCopy);

// The new file stays: deletes the kept copy, or has the system delete it at its next start,
// and then empties `previousCopy`.
void DiscardPreviousFile(wchar_t* previousCopy);
