// WinRing0.dll, imported by ordinal at load time.
#pragma once

#include <windows.h>

extern "C" {
BOOL WINAPI InitializeOls();                              // ordinal 7
VOID WINAPI DeinitializeOls();                            // ordinal 8
BOOL WINAPI Rdmsr(DWORD index, PDWORD eax, PDWORD edx);  // ordinal 21, on the current processor
}
