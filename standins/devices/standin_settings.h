/* What the stand-in devices play, set by veltar-device-standins.exe in the
   values below their service keys. C, for the drivers too. */
#pragma once

#include <stdint.h>

/* The stand-in PawnIO device. It reads the processor and the registers at every
   request, so that a test can change them while a program runs. */
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
   else is refused as a real PawnIO refuses an unsigned module. LpcIO loads
   whatever the processor, on its own handle. */
#define VELTAR_STANDIN_INTEL_MODULE "Veltar stand-in PawnIO module IntelMSR"
#define VELTAR_STANDIN_AMD_MODULE "Veltar stand-in PawnIO module AMDFamily17"
#define VELTAR_STANDIN_LPC_MODULE "Veltar stand-in PawnIO module LpcIO"
enum { kStandinLpc = 3 };
/* The SMBus modules load where the processor is of their chipset's maker:
   SmbusI801 with an Intel one, SmbusPIIX4 with an AMD one. */
#define VELTAR_STANDIN_SMBUS_I801_MODULE "Veltar stand-in PawnIO module SmbusI801"
#define VELTAR_STANDIN_SMBUS_PIIX4_MODULE "Veltar stand-in PawnIO module SmbusPIIX4"
enum { kStandinSmbusI801 = 4, kStandinSmbusPiix4 = 5 };

/* REG_BINARY "Chip": the Super I/O chip on the first slot that LpcIO plays
   (none where the value is absent): Nuvoton where the id is not 0x8xxx, else
   ITE, out of configuration mode until its key is written; its hardware
   monitor's activation, base and temperature in °C (SYSTIN or temperature 1). */
typedef struct {
    uint32_t id;
    uint32_t active;
    uint32_t base;
    int32_t celsius;
} VeltarStandinChip;

/* REG_BINARY "Memory": the memory modules' sensors the SMBus modules play, an
   array of these: a DDR5 hub at 0x50 + slot or a DDR4 sensor at 0x18 + slot,
   its temperature and the limits its registers hold, in thousandths of a
   degree; with "fails" set every read of its temperature times out. On AMD's
   controller they answer on port 0 only, and the firmware leaves port 2
   selected. */
enum { kStandinDdr5 = 1, kStandinDdr4 = 2 };
typedef struct {
    uint32_t slot;
    uint32_t kind;
    int32_t milliCelsius;
    int32_t warning;
    int32_t critical;
    uint32_t fails;
} VeltarStandinMemoryModule;

#define VELTAR_STANDIN_MAX_MEMORY_MODULES 8

/* The stand-in storage driver: the physical drives it makes when it starts,
   from the next Wine session on. */
#define VELTAR_STORAGE_PARAMETERS L"System\\CurrentControlSet\\Services\\VeltarStorage\\Parameters"

/* Where a drive's temperature comes from: nowhere (the query fails), the
   number given, or a file of the Linux kernel's that holds it in thousandths
   of a degree, named by the REG_SZ "Input<number>" as an NT path. */
enum { kDriveNoTemperature = 0, kDriveFixedTemperature = 1, kDriveTemperatureFile = 2 };

/* REG_BINARY "Drives": an array of these, one a drive number. The limits are
   the descriptor's WarningTemperature and CriticalTemperature, in °C, -32768
   where the drive reports none. */
typedef struct {
    uint32_t number;
    uint32_t busType;
    int32_t celsius;
    uint32_t source;
    int32_t warning;
    int32_t critical;
} VeltarStandinDrive;

#define VELTAR_STANDIN_MAX_DRIVES 32
