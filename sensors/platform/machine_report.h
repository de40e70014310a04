// The temperature report of this machine, through COM, the drives' storage
// driver and WinRing0.dll. COM and the library must be initialised on the
// calling thread.
#pragma once

#include <string>
#include <vector>

#include "sensors/temperature_report.h"

namespace veltar {

std::u16string GetTemperatureReport();
std::vector<TemperatureReading> GetTemperatureReadings();

}  // namespace veltar
