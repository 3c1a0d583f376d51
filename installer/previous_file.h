#pragma once
// A screen saver of the same name that is already installed is renamed aside, in the same
// folder, before the new one is written, and comes back whenever the new one goes away.

// Renames an existing file at `targetPath` to a fresh name in its folder, recorded in
// `copyPath` (260 bytes; left empty when there was nothing to keep). 0 when an existing file
// could not be moved aside: then nothing has changed and nothing may be written.
int KeepPreviousFile(const char* targetPath, char* copyPath);

// Deletes the new file at `targetPath` and renames the kept file back; empties `copyPath`.
void RemoveInstalledFile(const char* targetPath, char* copyPath);

// The new file stays: deletes the kept copy and empties `copyPath`.
void DiscardPreviousFile(char* copyPath);
