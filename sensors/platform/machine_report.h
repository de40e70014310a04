// The temperature report of this machine, through COM and WinRing0.dll. COM and
// the library must be initialised on the calling thread.
#pragma once

#include <string>

namespace veltar {

std::u16string GetTemperatureReport();

}  // namespace veltar
