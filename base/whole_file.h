// A file replaced whole, never seen half-written: for readers such as the
// Windows exporter's textfile collector, which may read it at any moment.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace veltar {

// Writes the bytes to a new file in the same folder, flushes it and moves it
// over the path in one step. ERROR_SUCCESS, or the Windows error of the step
// that failed; then the path is as it was and no new file is left behind.
DWORD ReplaceWholeFile(const std::u16string& path, std::string_view bytes);

}  // namespace veltar
