// The display scale a window is shown at, and the system's sizes at that scale.
#pragma once

#include <windows.h>

namespace veltar {

// GetDpiForWindow where the system has it (Windows 10 1607 and later), else
// the system's DPI.
unsigned WindowDpi(HWND hWnd);

// GetSystemMetricsForDpi where the system has it, else the system's metric.
int SystemMetricForDpi(int index, unsigned dpi);

}  // namespace veltar
