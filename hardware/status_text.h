// Why the hardware-access library could not start, in words a user can act on.
#pragma once

#include <cstdint>
#include <string>

namespace veltar::hardware {

// The PawnIO device did not open, with Windows' error code.
std::u16string DeviceOpenFailure(std::uint32_t error);

// No module file lies beside the program.
std::u16string ModulesMissing();

// Module files were there, and PawnIO loaded none of them.
std::u16string NoModuleAccepted();

}  // namespace veltar::hardware
