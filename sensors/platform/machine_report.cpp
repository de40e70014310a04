#include "sensors/platform/machine_report.h"

#include "sensors/platform/com_management_service.h"
#include "sensors/platform/winring0_hardware_access.h"
#include "sensors/temperature_report.h"

namespace veltar {

std::u16string GetTemperatureReport() {
    ComManagementService service;
    WinRing0HardwareAccess hardware;
    return GetTemperatureReport(service, hardware);
}

std::vector<TemperatureReading> GetTemperatureReadings() {
    ComManagementService service;
    WinRing0HardwareAccess hardware;
    return GetTemperatureReadings(service, hardware);
}

}  // namespace veltar
