/* What the stand-in PawnIO device plays, set by veltar-pawnio-standin.exe in
   the values below its service key. The device reads the processor and the
   registers at every request, so that a test can change them while a program
   runs. C, for the driver too. */
#pragma once

#include <stdint.h>

#define VELTAR_PAWNIO_SERVICE L"VeltarPawnIO"
#define VELTAR_PAWNIO_PARAMETERS L"System\\CurrentControlSet\\Services\\VeltarPawnIO\\Parameters"

/* REG_DWORD "Present": 0 makes no device, as where PawnIO is not installed,
   from the next Wine session on (the driver reads it when it starts). */

/* REG_DWORD "Vendor": the processor it plays, which decides the module it accepts. */
enum { kStandinNoVendor = 0, kStandinIntel = 1, kStandinAmd = 2 };

/* REG_BINARY "Msr" and "Smn": the registers it serves, an array of these. An
   SMN register has no processor; it is written as processor 0. */
typedef struct {
    uint32_t processor;
    uint32_t address;
    uint64_t value;
} VeltarStandinRegister;

#define VELTAR_STANDIN_MAX_REGISTERS 1024

/* A module file the stand-in accepts begins with one of these texts; anything
   else is refused as a real PawnIO refuses an unsigned module. */
#define VELTAR_STANDIN_INTEL_MODULE "Veltar stand-in PawnIO module IntelMSR"
#define VELTAR_STANDIN_AMD_MODULE "Veltar stand-in PawnIO module AMDFamily17"
