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

// Our own WinRing0.dll's reading of the mainboard's Super I/O chip (x64, with
// PawnIO's LpcIO module beside it): TRUE with the temperature in thousandths
// of a degree, FALSE without a chip or a believable value. Looked up by name.
using BoardTemperatureFunction = BOOL(WINAPI*)(LONG* milliCelsius);
inline constexpr char kBoardTemperatureExport[] = "VeltarBoardTemperature";

// Our own WinRing0.dll's reading of the memory modules' sensors (x64, with
// PawnIO's SmbusI801 or SmbusPIIX4 module beside it): at most capacity
// entries in slot order, in thousandths of a degree, a limit the module does
// not declare believably LONG_MIN; returns how many it wrote. Looked up by name.
typedef struct {
    DWORD slot;
    LONG milliCelsius;
    LONG warningMilliCelsius;
    LONG criticalMilliCelsius;
} VELTAR_MEMORY_SENSOR;
using MemoryTemperaturesFunction = DWORD(WINAPI*)(VELTAR_MEMORY_SENSOR* sensors, DWORD capacity);
inline constexpr char kMemoryTemperaturesExport[] = "VeltarMemoryTemperatures";
