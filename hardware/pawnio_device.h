// The PawnIO driver's device, opened by path and driven by its control codes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/scoped_win.h"

namespace veltar::hardware {

// An open handle to the device, or Windows' error code.
struct DeviceOpening {
    ScopedHandle device;
    DWORD error = 0;
};
DeviceOpening OpenPawnIo();

// Hands the module to the driver; false when the driver refuses it.
bool LoadModule(HANDLE device, std::span<const std::uint8_t> module);

// Calls a function of the loaded module with its arguments, taking exactly
// that many values back (the driver refuses other sizes); nothing when it
// refuses the call.
std::optional<std::vector<std::uint64_t>> CallModule(HANDLE device, std::string_view function,
                                                     std::span<const std::uint64_t> arguments, std::size_t values);

// Calls a function of the loaded module with one argument; its one value.
std::optional<std::uint64_t> CallModule(HANDLE device, std::string_view function, std::uint64_t argument);

// The folder that holds this library, with a closing backslash.
std::wstring LibraryFolder();

// A file's bytes; nothing when it does not exist or cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);

}  // namespace veltar::hardware
