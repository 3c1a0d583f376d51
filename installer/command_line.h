#pragma once
// What the program is asked to do, from its command line as the system passes it.

// 1 when the only argument after the program's own name is "/uninstall" (any case): the copy
// kept for Apps & features was started to take its screen saver away.
int IsRemovalCommand(const wchar_t* commandLine);
