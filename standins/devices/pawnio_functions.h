/* What a request to the stand-in PawnIO device begins with: the name of the
   module's function, in a field of fixed size. */
#pragma once

#include <ntifs.h>

#define FUNCTION_NAME_SIZE 32

static __inline BOOLEAN NameIs(const UCHAR* name, const char* expected) {
    ULONG i;
    for (i = 0; i < FUNCTION_NAME_SIZE; ++i) {
        if (name[i] != (UCHAR)expected[i]) return FALSE;
        if (!expected[i]) return TRUE;
    }
    return FALSE;
}
