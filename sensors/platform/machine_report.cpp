#include "sensors/platform/machine_report.h"

#include "sensors/platform/com_management_service.h"
#include "sensors/platform/gdi32_graphics_kernel.h"
#include "sensors/platform/win_storage_access.h"
#include "sensors/platform/winring0_hardware_access.h"
#include "sensors/temperature_report.h"

namespace veltar {

std::u16string GetTemperatureReport() {
    ComManagementService service;
    WinStorageAccess storage;
    WinRing0HardwareAccess hardware;
    Gdi32GraphicsKernel graphics;
    return GetTemperatureReport({service, storage, hardware, graphics});
}

std::vector<TemperatureReading> GetTemperatureReadings() {
    ComManagementService service;
    WinStorageAccess storage;
    WinRing0HardwareAccess hardware;
    Gdi32GraphicsKernel graphics;
    return GetTemperatureReadings({service, storage, hardware, graphics});
}

}  // namespace veltar
