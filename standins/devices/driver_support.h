/* What the stand-in drivers share: their settings, read from the registry
   below \Registry\Machine, and the completion of a request. Kernel C. */
#pragma once

#include <ntifs.h>

/* A REG_DWORD; the fallback where the key or the value is missing. */
ULONG ReadSettingNumber(PCWSTR keyPath, PCWSTR name, ULONG fallback);

/* A value of the given type into the buffer; its length in bytes, 0 where it
   is missing, of another type or larger than the buffer. */
ULONG ReadSettingValue(PCWSTR keyPath, PCWSTR name, ULONG type, PVOID buffer, ULONG size);

/* Completes the request with the status and the count of bytes written; the status. */
NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information);
