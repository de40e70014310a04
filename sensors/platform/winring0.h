// WinRing0.dll, imported by ordinal at load time.
#pragma once

#include <windows.h>

extern "C" {
BOOL WINAPI InitializeOls();                              // ordinal 7
VOID WINAPI DeinitializeOls();                            // ordinal 8
BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx);  // ordinal 21, on the current processor
}

// Our own WinRing0.dll's reason for its last failed InitializeOls (empty after
// one that succeeded). Other builds of the library lack it, so it is looked up
// by name with GetProcAddress.
using HardwareStatusFunction = const wchar_t*(WINAPI*)();
inline constexpr char kHardwareStatusExport[] = "VeltarHardwareStatus";
