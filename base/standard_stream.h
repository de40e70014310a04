// Text for standard output and standard error: wide characters where the
// stream is a console, so that it shows whatever the code page; UTF-8 bytes,
// without a byte-order mark, where it is a file or a pipe.
#pragma once

#include <windows.h>

#include <string_view>

namespace veltar {

// STD_OUTPUT_HANDLE or STD_ERROR_HANDLE; false when not all of it was written.
bool WriteStandardStream(DWORD stream, std::u16string_view text);

}  // namespace veltar
