// The temperature report: one line for the mainboard, one per ATA disk, one per
// NVMe drive, one per logical processor, one per graphics adapter that reports
// a temperature and one per memory module with a sensor, each ending "\r\n".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sensors/platform/graphics_kernel.h"
#include "sensors/platform/hardware_access.h"
#include "sensors/platform/storage_access.h"
#include "sensors/temperature_limits.h"
#include "sensors/wmi_connections.h"

namespace veltar {

enum class SensorKind { Mainboard, Disk, Processor, Gpu, Memory };

struct TemperatureReading {
    SensorKind kind = SensorKind::Mainboard;
    std::uint32_t number = 1;  // from 1 within its kind
    double celsius = 0;
    TemperatureLimits limits;  // as its hardware declares them
    bool operator==(const TemperatureReading&) const = default;
};

inline LimitState StateOf(const TemperatureReading& reading) { return StateOf(reading.celsius, reading.limits); }

// The kind's name for monitoring systems: "mainboard", "disk", "cpu", "gpu" or "memory".
const char16_t* SensorName(SensorKind kind);

// Where the report reads the machine; the management service through the
// connections the reading thread keeps.
struct MachineSeams {
    WmiConnections& connections;
    StorageAccess& storage;
    HardwareAccess& hardware;
    GraphicsKernel& graphics;
};

// The readings of the report, in its order, read afresh.
std::vector<TemperatureReading> GetTemperatureReadings(const MachineSeams& machine);

// The report's lines for the readings.
std::u16string FormatReport(const std::vector<TemperatureReading>& readings);
// One reading's line as the report shows it, without its "\r\n".
std::u16string FormatLine(const TemperatureReading& reading);

std::u16string GetTemperatureReport(const MachineSeams& machine);

}  // namespace veltar
