// The temperature report: one line for the mainboard, one per ATA disk and one
// per logical processor, each ending "\r\n".
#pragma once

#include <string>

#include "sensors/platform/hardware_access.h"
#include "sensors/platform/management_service.h"

namespace veltar {

std::u16string GetTemperatureReport(ManagementService& service, HardwareAccess& hardware);

}  // namespace veltar
