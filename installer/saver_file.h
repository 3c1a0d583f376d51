#pragma once
// Writing the screen saver into the system folder so that its name never holds part of a file:
// the new bytes are written and flushed under a name of our own beside it, and only then take
// the screen saver's name, after an existing file of that name was renamed aside. The earlier
// file comes back whenever the new one goes away (failed write, decline, abort). What a killed
// run leaves is named from the screen saver's name, and the next install of it sees to it.

#include <windows.h>

#include "support/path.h"

// The names of our own beside the screen saver: "\\?\", its full path and a suffix, since the
// screen saver's path alone may fill MAX_PATH.
enum { kOwnPathSize = kPathBufferSize + 16 };

// Writes `length` bytes to `targetPath` as above. 1 when all were written; the name of the
// kept-aside earlier file is then in `previousCopy` (kOwnPathSize characters, empty when there
// was none). 0 on any failure: the new file is gone and an earlier one is back in place, or,
// should it not go back, still named in `previousCopy`. A read-only earlier file is left as it
// is: 0. So is everything while another installer of the same screen saver is running: 0.
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
