// The temperature report: one line for the mainboard, one per ATA disk, one per
// NVMe drive and one per logical processor, each ending "\r\n".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensors/platform/hardware_access.h"
#include "sensors/platform/management_service.h"
#include "sensors/platform/storage_access.h"

namespace veltar {

enum class SensorKind { Mainboard, Disk, Processor };

struct TemperatureReading {
    SensorKind kind = SensorKind::Mainboard;
    std::uint32_t number = 1;  // from 1 within its kind
    double celsius = 0;
};

// The kind's name for monitoring systems: "mainboard", "disk" or "cpu".
const char16_t* SensorName(SensorKind kind);

// The readings of the report, in its order, read afresh.
std::vector<TemperatureReading> GetTemperatureReadings(ManagementService& service, StorageAccess& storage,
                                                       HardwareAccess& hardware);

// The report's lines for the readings.
std::u16string FormatReport(const std::vector<TemperatureReading>& readings);

std::u16string GetTemperatureReport(ManagementService& service, StorageAccess& storage, HardwareAccess& hardware);

}  // namespace veltar
