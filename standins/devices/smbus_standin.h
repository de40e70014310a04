/* The stand-in PawnIO device's SMBus modules: the memory modules they play,
   read when one is loaded, and their functions. */
#pragma once

#include <ntifs.h>

/* Reads the memory modules the settings describe; AMD's port starts at 2. */
void LoadMemoryModules(void);
/* Runs a function of SmbusI801 or SmbusPIIX4 (module) from a request's buffer. */
NTSTATUS ExecuteSmbus(ULONG module, UCHAR* buffer, ULONG inputSize, ULONG outputSize, ULONG_PTR* written);
