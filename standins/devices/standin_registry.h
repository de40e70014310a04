/* The stand-in drivers' settings, read from the registry below
   \Registry\Machine. Kernel C. */
#pragma once

#include <ntifs.h>

/* A REG_DWORD; the fallback where the key or the value is missing. */
ULONG ReadSettingNumber(PCWSTR keyPath, PCWSTR name, ULONG fallback);

/* A value of the given type into the buffer; its length in bytes, 0 where it
   is missing, of another type or larger than the buffer. */
ULONG ReadSettingValue(PCWSTR keyPath, PCWSTR name, ULONG type, PVOID buffer, ULONG size);
