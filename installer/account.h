#pragma once
// Whose screen saver the installer may set: only the account at the desktop, told apart by its
// security identifier (SID). A name is not enough: a domain's "user1" and this computer's
// "user1" are two accounts, and an administrator's password typed for a standard user runs the
// installer as another account than the one that will see the screen saver.

#include <stdint.h>

// A SID as the system lays it out: revision 1, the count n of sub-authorities (at most 15),
// 6 bytes of identifier authority, then n 32-bit sub-authorities.
enum { kSidBufferSize = 68 };  // the largest SID: 8 + 15 * 4 bytes

// The bytes of `sid` that make it up; 0 for null or what is no SID.
uint32_t GetSidLength(const uint8_t* sid);

// True when this process's account is the desktop's: both SIDs known and equal, in a session
// with a desktop of its own. Session 0 is the services': whoever runs there (SYSTEM, a
// deployment tool) has nobody's desktop, so never counts.
bool IsDesktopAccount(const uint8_t* processSid, const uint8_t* desktopSid, uint32_t sessionId);
