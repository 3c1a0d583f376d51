#pragma once
// The one place the program's version is written; the version resource takes it from here.
#define SETUP_VERSION_NUMBERS 1, 0, 0, 0
#define SETUP_VERSION_TEXT "1.0.0.0"
