#include "sensors/temperature_report.h"

#include <climits>

#include "sensors/property_table.h"
#include "sensors/sensor_readings.h"
#include "sensors/storage_descriptors.h"
#include "sensors/text_format.h"
#include "sensors/wmi_query.h"

namespace veltar {
namespace {

constexpr std::u16string_view kWql = u"WQL";
constexpr std::uint32_t kTemperatureTarget = 0x1A2;
constexpr std::uint32_t kThermStatus = 0x19C;
// Processors beyond the width of the affinity mask cannot be pinned to.
constexpr std::uint32_t kAffinityBits = sizeof(std::uintptr_t) * CHAR_BIT;

void ReadMainboard(std::vector<TemperatureReading>& readings, ManagementService& service) {
    PropertyTable table;
    QueryWmiProperties(table, u"SELECT * FROM Win32_TemperatureProbe", u"root\\CIMV2", kWql, service);
    if (table.empty())
        QueryWmiProperties(table, u"SELECT * FROM MSAcpi_ThermalZoneTemperature", u"root\\WMI", kWql, service);
    const auto values = table.find(u"CurrentTemperature");
    if (values == table.end() || values->second.empty()) return;
    if (const auto celsius = MainboardTemperature(values->second.front()))
        readings.push_back({SensorKind::Mainboard, 1, *celsius});
}

// The ATA disks; how many there are.
std::uint32_t ReadDisks(std::vector<TemperatureReading>& readings, ManagementService& service) {
    PropertyTable table;
    QueryWmiProperties(table, u"SELECT * FROM MSStorageDriver_ATAPISmartData", u"root\\WMI", kWql, service);
    if (table.empty()) return 0;
    const std::size_t disks = table.begin()->second.size();
    const auto smart = table.find(u"VendorSpecific");
    for (std::size_t i = 0; i < disks; ++i) {
        // A disk without SMART data reads as one without the temperature attribute.
        const bool hasData = smart != table.end() && i < smart->second.size();
        const double celsius = hasData ? DiskTemperature(smart->second[i]) : 0.0;
        readings.push_back({SensorKind::Disk, static_cast<std::uint32_t>(i + 1), celsius});
    }
    return static_cast<std::uint32_t>(disks);
}

// The NVMe drives, by drive number, numbered on from the ATA disks. SATA disks
// come through SMART already, and drives on other buses are not disks of ours.
void ReadNvmeDrives(std::vector<TemperatureReading>& readings, StorageAccess& storage, std::uint32_t number) {
    const std::uint32_t listed = storage.ListDrives();
    for (std::uint32_t drive = 0; drive < kDriveNumbers; ++drive) {
        if (!(listed >> drive & 1) || !storage.OpenDrive(drive)) continue;
        const auto device = storage.QueryProperty(kStorageDeviceProperty);
        if (device && BusType(*device) == kBusTypeNvme) {
            const auto data = storage.QueryProperty(kStorageDeviceTemperatureProperty);
            const auto celsius = data ? CompositeTemperature(*data) : std::nullopt;
            readings.push_back({SensorKind::Disk, ++number, static_cast<double>(celsius.value_or(0))});
        }
        storage.CloseDrive();
    }
}

void ReadProcessors(std::vector<TemperatureReading>& readings, HardwareAccess& hardware) {
    const std::uint32_t processors = hardware.ProcessorCount();
    for (std::uint32_t i = 1; i <= processors && i <= kAffinityBits; ++i) {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        hardware.ReadMsr(kTemperatureTarget, &low, &high);
        const std::uint32_t target = low;

        const std::uintptr_t previous = hardware.SetThreadAffinity(std::uintptr_t{1} << (i - 1));
        low = 0;
        high = 0;
        hardware.ReadMsr(kThermStatus, &low, &high);
        hardware.SetThreadAffinity(previous);

        readings.push_back({SensorKind::Processor, i, ProcessorTemperature(target, low)});
    }
}

}  // namespace

const char16_t* SensorName(SensorKind kind) {
    switch (kind) {
        case SensorKind::Mainboard: return u"mainboard";
        case SensorKind::Disk: return u"disk";
        case SensorKind::Processor: return u"cpu";
    }
    return u"";
}

std::vector<TemperatureReading> GetTemperatureReadings(ManagementService& service, StorageAccess& storage,
                                                       HardwareAccess& hardware) {
    std::vector<TemperatureReading> readings;
    ReadMainboard(readings, service);
    const std::uint32_t disks = ReadDisks(readings, service);
    ReadNvmeDrives(readings, storage, disks);
    ReadProcessors(readings, hardware);
    return readings;
}

std::u16string FormatReport(const std::vector<TemperatureReading>& readings) {
    std::u16string report;
    for (const TemperatureReading& reading : readings) {
        switch (reading.kind) {
            case SensorKind::Mainboard:
                AppendFormatted(report, u"主板-温度: %.2f℃\r\n", reading.celsius);
                break;
            case SensorKind::Disk:
                AppendFormatted(report, u"硬盘%d温度: %.2f℃\r\n", reading.number, reading.celsius);
                break;
            case SensorKind::Processor:
                AppendFormatted(report, u"CPU%d-温度: %.2f℃\r\n", reading.number, reading.celsius);
                break;
        }
    }
    return report;
}

std::u16string GetTemperatureReport(ManagementService& service, StorageAccess& storage, HardwareAccess& hardware) {
    return FormatReport(GetTemperatureReadings(service, storage, hardware));
}

}  // namespace veltar
