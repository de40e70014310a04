// Centring a window as the dialogs do at set-up.
#pragma once

#include <windows.h>

// Centres the window on the owner's window rectangle when the owner is visible
// and not minimised, otherwise on the work area of the nearest monitor; either
// way inside that monitor's work area.
void CenterWindowOn(HWND hWnd, HWND owner);
