// Placing top-level windows.
#pragma once
#include <windows.h>

namespace pf::ui {

// Centres a window on the work area of the monitor it is on.
void CenterOnWorkArea(HWND window);

}  // namespace pf::ui
