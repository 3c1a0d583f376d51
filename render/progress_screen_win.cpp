#include "render/progress_screen.h"

// Placeholder until the painting lands: the window shows its black class background.
void DrawProgressScreen(HWND, HDC, int) {}
