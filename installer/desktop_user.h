#pragma once
// Who sees the desktop and who this process runs as, as SIDs of at most kSidBufferSize bytes.

#include <windows.h>

#include "installer/account.h"

// The user of `process`'s token. 0 when the token cannot be read.
int ReadTokenUser(HANDLE process, BYTE* sid);

// The account whose desktop this session shows. 0 when nobody can be told.
int ReadDesktopUser(BYTE* sid);

// True when this process runs as the desktop's own account (IsDesktopAccount).
bool RunsAsDesktopUser();
