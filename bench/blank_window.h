#pragma once
// The one colour blank_window paints, which start_bench waits for on the screen: in neither
// the progress screen's gradient nor the X server's root pattern.

#include <windows.h>

const COLORREF kBlankColour = RGB(0x20, 0x60, 0xA0);
