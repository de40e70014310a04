#include "sensors/temperature_report.h"

#include <algorithm>
#include <climits>

#include "base/text_format.h"
#include "sensors/property_table.h"
#include "sensors/sensor_readings.h"
#include "sensors/storage_descriptors.h"
#include "sensors/wmi_query.h"

namespace veltar {
namespace {

constexpr std::u16string_view kWql = u"WQL";
constexpr std::uint32_t kTemperatureTarget = 0x1A2;
constexpr std::uint32_t kThermStatus = 0x19C;
// Processors beyond the width of the affinity mask cannot be pinned to.
constexpr std::uint32_t kAffinityBits = sizeof(std::uintptr_t) * CHAR_BIT;

// A limit of the first object, from its text by the class's own conversion.
template <typename Convert>
std::optional<double> FirstObjectLimit(const PropertyTable& table, std::u16string_view name, Convert convert) {
    const auto values = table.find(std::u16string(name));
    if (values == table.end() || values->second.empty()) return std::nullopt;
    const std::optional<double> celsius = convert(values->second.front());
    return celsius ? DeclaredLimit(*celsius) : std::nullopt;
}

// The mainboard: the management service's probe, else its thermal zone, else
// where neither has an object, the board's Super I/O chip through the library.
void ReadMainboard(std::vector<TemperatureReading>& readings, WmiConnections& service, HardwareAccess& hardware) {
    PropertyTable table;
    QueryWmiProperties(table, u"SELECT * FROM Win32_TemperatureProbe", u"root\\CIMV2", kWql, service);
    const bool probe = !table.empty();
    if (!probe)
        QueryWmiProperties(table, u"SELECT * FROM MSAcpi_ThermalZoneTemperature", u"root\\WMI", kWql, service);
    if (table.empty()) {
        if (const auto board = hardware.BoardTemperature()) readings.push_back({SensorKind::Mainboard, 1, *board, {}});
        return;
    }
    const auto values = table.find(u"CurrentTemperature");
    if (values == table.end() || values->second.empty()) return;
    const auto celsius = MainboardTemperature(values->second.front());
    if (!celsius) return;
    // A probe declares its thresholds in tenths of a degree, a thermal zone its
    // trip points in tenths of a kelvin, as its temperature.
    const TemperatureLimits limits =
        probe ? TemperatureLimits{FirstObjectLimit(table, u"UpperThresholdNonCritical", ProbeThreshold),
                                  FirstObjectLimit(table, u"UpperThresholdCritical", ProbeThreshold)}
              : TemperatureLimits{FirstObjectLimit(table, u"PassiveTripPoint", MainboardTemperature),
                                  FirstObjectLimit(table, u"CriticalTripPoint", MainboardTemperature)};
    readings.push_back({SensorKind::Mainboard, 1, *celsius, limits});
}

// The ATA disks; how many there are.
std::uint32_t ReadDisks(std::vector<TemperatureReading>& readings, WmiConnections& service) {
    PropertyTable table;
    QueryWmiProperties(table, u"SELECT * FROM MSStorageDriver_ATAPISmartData", u"root\\WMI", kWql, service);
    if (table.empty()) return 0;
    const std::size_t disks = table.begin()->second.size();
    const auto smart = table.find(u"VendorSpecific");
    for (std::size_t i = 0; i < disks; ++i) {
        // A disk without SMART data reads as one without the temperature attribute.
        const bool hasData = smart != table.end() && i < smart->second.size();
        const double celsius = hasData ? DiskTemperature(smart->second[i]) : 0.0;
        readings.push_back({SensorKind::Disk, static_cast<std::uint32_t>(i + 1), celsius, {}});
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
            readings.push_back({SensorKind::Disk, ++number, static_cast<double>(celsius.value_or(0)),
                                data ? DriveTemperatureLimits(*data) : TemperatureLimits{}});
        }
        storage.CloseDrive();
    }
}

// One processor's temperature and throttle point: the target read wherever the
// thread runs, the readout on the processor itself, pinned there by pin and
// released by unpin.
template <typename Pin, typename Unpin>
TemperatureReading ReadProcessor(HardwareAccess& hardware, std::uint32_t number, Pin pin, Unpin unpin) {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    hardware.ReadMsr(kTemperatureTarget, &low, &high);
    const std::uint32_t target = low;

    pin();
    low = 0;
    high = 0;
    hardware.ReadMsr(kThermStatus, &low, &high);
    unpin();
    return {SensorKind::Processor, number, ProcessorTemperature(target, low),
            {DeclaredLimit(ProcessorThrottleTemperature(target)), std::nullopt}};
}

// Processors of every group, numbered on across groups in group order; each
// read pinned to one processor of one group, the thread's group affinity
// restored after it.
void ReadProcessorGroups(std::vector<TemperatureReading>& readings, HardwareAccess& hardware,
                         const std::vector<std::uint32_t>& groups) {
    std::uint32_t number = 0;
    for (std::size_t group = 0; group < groups.size(); ++group) {
        for (std::uint32_t i = 0; i < groups[group]; ++i) {
            ++number;
            if (i >= kAffinityBits) continue;
            GroupAffinity previous;
            bool pinned = false;
            const GroupAffinity one{static_cast<std::uint16_t>(group), std::uintptr_t{1} << i};
            readings.push_back(ReadProcessor(
                hardware, number, [&] { pinned = hardware.SetThreadGroupAffinity(one, &previous); },
                [&] {
                    GroupAffinity ignored;
                    if (pinned) hardware.SetThreadGroupAffinity(previous, &ignored);
                }));
        }
    }
}

void ReadProcessors(std::vector<TemperatureReading>& readings, HardwareAccess& hardware) {
    if (const auto groups = hardware.ProcessorGroups(); groups.size() > 1)
        return ReadProcessorGroups(readings, hardware, groups);
    const std::uint32_t processors = hardware.ProcessorCount();
    for (std::uint32_t i = 1; i <= processors && i <= kAffinityBits; ++i) {
        std::uintptr_t previous = 0;
        readings.push_back(ReadProcessor(
            hardware, i, [&] { previous = hardware.SetThreadAffinity(std::uintptr_t{1} << (i - 1)); },
            [&] { hardware.SetThreadAffinity(previous); }));
    }
}

// The limits an open adapter declares; none where the query fails.
TemperatureLimits AdapterLimits(GraphicsKernel& graphics, const GraphicsAdapterInfo& adapter) {
    AdapterPerfDataCaps caps;
    if (!NtSuccess(graphics.QueryPerfDataCaps(adapter.hAdapter, &caps))) return {};
    return {DeclaredLimit(caps.temperatureWarning / 10.0), DeclaredLimit(caps.temperatureMax / 10.0)};
}

// The graphics adapters that report a temperature, in the kernel's order,
// numbered from 1. Every handle the enumeration returned is closed.
void ReadGraphicsAdapters(std::vector<TemperatureReading>& readings, GraphicsKernel& graphics) {
    // The list may grow between counting and listing: then it is counted again.
    constexpr int kListingTries = 4;
    // More than any machine has: a count beyond it is not believed.
    constexpr std::uint32_t kMostAdapters = 1024;
    std::vector<GraphicsAdapterInfo> adapters;
    std::uint32_t count = 0;
    if (!NtSuccess(graphics.EnumAdapters(&count, nullptr))) return;
    NtStatus status = kStatusBufferTooSmall;
    for (int tries = 0; tries < kListingTries && status == kStatusBufferTooSmall && count > 0; ++tries) {
        if (count > kMostAdapters) return;
        adapters.assign(count, GraphicsAdapterInfo{});
        status = graphics.EnumAdapters(&count, adapters.data());
    }
    if (!NtSuccess(status)) return;
    adapters.resize(std::min<std::size_t>(count, adapters.size()));
    std::uint32_t number = 0;
    for (const GraphicsAdapterInfo& adapter : adapters) {
        AdapterPerfData data;
        if (NtSuccess(graphics.QueryPerfData(adapter.hAdapter, &data)) && data.temperature > 0)
            readings.push_back({SensorKind::Gpu, ++number, data.temperature / 10.0, AdapterLimits(graphics, adapter)});
        graphics.CloseAdapter(adapter.hAdapter);
    }
}

void AppendLine(std::u16string& report, const TemperatureReading& reading) {
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
        case SensorKind::Gpu:
            AppendFormatted(report, u"GPU%d-温度: %.2f℃\r\n", reading.number, reading.celsius);
            break;
        case SensorKind::Memory:
            AppendFormatted(report, u"内存%d温度: %.2f℃\r\n", reading.number, reading.celsius);
            break;
    }
}

}  // namespace

const char16_t* SensorName(SensorKind kind) {
    switch (kind) {
        case SensorKind::Mainboard: return u"mainboard";
        case SensorKind::Disk: return u"disk";
        case SensorKind::Processor: return u"cpu";
        case SensorKind::Gpu: return u"gpu";
        case SensorKind::Memory: return u"memory";
    }
    return u"";
}

std::vector<TemperatureReading> GetTemperatureReadings(const MachineSeams& machine) {
    std::vector<TemperatureReading> readings;
    ReadMainboard(readings, machine.connections, machine.hardware);
    const std::uint32_t disks = ReadDisks(readings, machine.connections);
    ReadNvmeDrives(readings, machine.storage, disks);
    ReadProcessors(readings, machine.hardware);
    ReadGraphicsAdapters(readings, machine.graphics);
    std::uint32_t module = 0;
    for (const MemoryTemperature& memory : machine.hardware.MemoryTemperatures())
        readings.push_back({SensorKind::Memory, ++module, memory.celsius, memory.limits});
    return readings;
}

std::u16string FormatReport(const std::vector<TemperatureReading>& readings) {
    std::u16string report;
    for (const TemperatureReading& reading : readings) AppendLine(report, reading);
    return report;
}

std::u16string FormatLine(const TemperatureReading& reading) {
    std::u16string line;
    AppendLine(line, reading);
    line.resize(line.size() - 2);
    return line;
}

std::u16string GetTemperatureReport(const MachineSeams& machine) {
    return FormatReport(GetTemperatureReadings(machine));
}

}  // namespace veltar
