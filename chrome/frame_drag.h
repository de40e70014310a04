// Moving a captionless window by the band along its client edges.
#pragma once

#include <windows.h>

// When the pointer lies in the window's frame band (the margins, measured inward
// from each client edge), runs the system's move loop as if the caption were
// dragged and returns true once the move ends; otherwise does nothing and returns false.
bool BeginFrameDrag(HWND hWnd, const RECT& margins);
