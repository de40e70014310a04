// Placing and shaping the dialogs at set-up.
#pragma once

#include <windows.h>

// Centres the window on the owner's window rectangle when the owner is visible
// and not minimised, otherwise on the work area of the nearest monitor; either
// way inside that monitor's work area.
void CenterWindowOn(HWND hWnd, HWND owner);

// Clears WS_CAPTION and WS_THICKFRAME (the mask 0xFF3BFFFF) and has the frame
// recomputed at once, so that the client area fills the window.
void RemoveCaptionAndFrame(HWND hWnd);
