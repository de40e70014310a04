#include "sensors/temperature_report.h"

#include <climits>

#include "sensors/property_table.h"
#include "sensors/sensor_readings.h"
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

void ReadDisks(std::vector<TemperatureReading>& readings, ManagementService& service) {
    PropertyTable table;
    QueryWmiProperties(table, u"SELECT * FROM MSStorageDriver_ATAPISmartData", u"root\\WMI", kWql, service);
    if (table.empty()) return;
    const std::size_t disks = table.begin()->second.size();
    const auto smart = table.find(u"VendorSpecific");
    for (std::size_t i = 0; i < disks; ++i) {
        // A disk without SMART data reads as one without the temperature attribute.
        const bool hasData = smart != table.end() && i < smart->second.size();
        const double celsius = hasData ? DiskTemperature(smart->second[i]) : 0.0;
        readings.push_back({SensorKind::Disk, static_cast<std::uint32_t>(i + 1), celsius});
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

std::vector<TemperatureReading> GetTemperatureReadings(ManagementService& service, HardwareAccess& hardware) {
    std::vector<TemperatureReading> readings;
    ReadMainboard(readings, service);
    ReadDisks(readings, service);
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

std::u16string GetTemperatureReport(ManagementService& service, HardwareAccess& hardware) {
    return FormatReport(GetTemperatureReadings(service, hardware));
}

}  // namespace veltar
