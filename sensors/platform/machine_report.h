// The temperature report of this machine, through COM, the drives' storage
// driver, WinRing0.dll and gdi32. COM and the library must be initialised on
// the calling thread.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "sensors/kept_drive_list.h"

#include "sensors/platform/com_management_service.h"
#include "sensors/platform/gdi32_graphics_kernel.h"
#include "sensors/platform/win_storage_access.h"
#include "sensors/platform/winring0_hardware_access.h"
#include "sensors/temperature_report.h"

namespace veltar {

// Reads the machine again and again, keeping its management-service
// connections and its list of drives from one reading to the next. Made, used
// and destroyed on one thread; changes may be raised from any.
class MachineReader {
public:
    explicit MachineReader(std::shared_ptr<DriveChanges> changes = nullptr)
        : m_drives(m_storage, [] { return GetTickCount64(); }, std::move(changes)) {}
    MachineReader(const MachineReader&) = delete;
    MachineReader& operator=(const MachineReader&) = delete;

    std::vector<TemperatureReading> Readings() { return GetTemperatureReadings(Seams()); }
    std::u16string Report() { return GetTemperatureReport(Seams()); }

private:
    MachineSeams Seams() { return {m_connections, m_drives, m_hardware, m_graphics}; }

    ComManagementService m_service;
    WmiConnections m_connections{m_service};
    WinStorageAccess m_storage;
    KeptDriveList m_drives;
    WinRing0HardwareAccess m_hardware;
    Gdi32GraphicsKernel m_graphics;
};

// One report, its connections made and released for it.
std::u16string GetTemperatureReport();

}  // namespace veltar
