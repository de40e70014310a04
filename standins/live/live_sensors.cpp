#include "standins/live/live_sensors.h"

#include <algorithm>
#include <climits>
#include <charconv>
#include <set>

#include "hardware/thermal_registers.h"

namespace veltar::live {
namespace {

using hardware::kTemperatureTarget;
using hardware::kThermStatus;
using hardware::RoundThousandths;

std::optional<std::int64_t> ReadInteger(const SensorTree& tree, const std::string& path) {
    const auto text = tree.Read(path);
    if (!text) return std::nullopt;
    const char* begin = text->data();
    const char* end = begin + text->size();
    while (end != begin && (end[-1] == '\n' || end[-1] == ' ')) --end;
    std::int64_t value = 0;
    const auto [last, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || last != end || begin == end) return std::nullopt;
    return value;
}

std::string ReadLine(const SensorTree& tree, const std::string& path) {
    std::string text = tree.Read(path).value_or("");
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

// The number after a name's prefix ("thermal_zone12" → 12), if that is all there is after it.
std::optional<std::uint32_t> NumberAfter(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) return std::nullopt;
    std::uint32_t value = 0;
    const char* end = name.data() + name.size();
    const auto [last, ec] = std::from_chars(name.data() + prefix.size(), end, value);
    if (ec != std::errc() || last != end) return std::nullopt;
    return value;
}

// The folder's entries "<prefix><number>", by number.
std::vector<std::string> Numbered(const SensorTree& tree, const std::string& folder, std::string_view prefix) {
    std::vector<std::pair<std::uint32_t, std::string>> found;
    for (const std::string& name : tree.List(folder))
        if (const auto n = NumberAfter(name, prefix)) found.emplace_back(*n, name);
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    for (auto& [n, name] : found) names.push_back(folder + "/" + name);
    return names;
}

// The hardware-monitoring folders below the folder that the named driver made.
std::vector<std::string> MonitorsOf(const SensorTree& tree, const std::string& folder, std::string_view driver) {
    std::vector<std::string> monitors;
    for (const std::string& monitor : Numbered(tree, folder, "hwmon"))
        if (ReadLine(tree, monitor + "/name") == driver) monitors.push_back(monitor);
    return monitors;
}

// The input of the monitor's first sensor whose label is the given one.
std::optional<std::string> SensorLabelled(const SensorTree& tree, const std::string& monitor, std::string_view label) {
    for (const std::string& name : tree.List(monitor)) {
        const auto suffix = name.rfind("_label");
        if (!name.starts_with("temp") || suffix == std::string::npos || suffix + 6 != name.size()) continue;
        if (ReadLine(tree, monitor + "/" + name) == label) return monitor + "/" + name.substr(0, suffix);
    }
    return std::nullopt;
}

// A monitor's limit file in thousandths of a degree, in whole degrees.
std::optional<int> WholeDegrees(const SensorTree& tree, const std::string& path) {
    const auto milli = ReadInteger(tree, path);
    if (!milli) return std::nullopt;
    return static_cast<int>(RoundThousandths(*milli));
}

void AddDisk(const SensorTree& tree, const std::string& device, const std::vector<std::string>& monitors,
             std::vector<Disk>& disks) {
    for (const std::string& monitor : monitors) {
        if (const auto milli = ReadInteger(tree, monitor + "/temp1_input")) {
            disks.push_back({device, static_cast<int>(RoundThousandths(*milli)), monitor + "/temp1_input",
                             WholeDegrees(tree, monitor + "/temp1_max"), WholeDegrees(tree, monitor + "/temp1_crit")});
            return;
        }
    }
}

// Thousandths of a degree Celsius to tenths of a kelvin; nothing lies below zero kelvin.
std::optional<std::uint32_t> TenthsKelvin(std::optional<std::int64_t> milli) {
    if (!milli || *milli < -273150) return std::nullopt;
    return static_cast<std::uint32_t>((*milli + 273150 + 50) / 100);
}

// Thousandths of a degree to the graphics kernel's tenths, which are never negative.
std::uint32_t Tenths(std::int64_t milli) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>((milli + 50) / 100, 0, 0xFFFFFFFF));
}

std::optional<std::uint32_t> TopologyValue(const SensorTree& tree, std::uint32_t cpu, const char* name) {
    const auto value = ReadInteger(tree, "sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/topology/" + name);
    if (!value || *value < 0) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

// Intel: the input of the processor's own core, in the monitor of its package.
std::optional<ProcessorSensor> FindCoretemp(const SensorTree& tree, std::uint32_t cpu) {
    const auto package = TopologyValue(tree, cpu, "physical_package_id");
    const auto core = TopologyValue(tree, cpu, "core_id");
    if (!package || !core) return std::nullopt;
    for (const std::string& monitor : MonitorsOf(tree, "sys/class/hwmon", "coretemp")) {
        if (!SensorLabelled(tree, monitor, "Package id " + std::to_string(*package))) continue;
        const auto sensor = SensorLabelled(tree, monitor, "Core " + std::to_string(*core));
        if (!sensor || !ReadInteger(tree, *sensor + "_input")) return std::nullopt;
        auto limit = ReadInteger(tree, *sensor + "_crit");
        if (!limit) limit = ReadInteger(tree, *sensor + "_max");
        return ProcessorSensor{ProcessorSource::Coretemp, *sensor + "_input",
                               limit ? RoundThousandths(*limit) : kDefaultTarget};
    }
    return std::nullopt;
}

// AMD: the control temperature, the same for every processor.
std::optional<ProcessorSensor> FindK10temp(const SensorTree& tree) {
    for (const std::string& monitor : MonitorsOf(tree, "sys/class/hwmon", "k10temp")) {
        const std::string input = SensorLabelled(tree, monitor, "Tctl").value_or(monitor + "/temp1") + "_input";
        if (ReadInteger(tree, input)) return ProcessorSensor{ProcessorSource::K10temp, input, kDefaultTarget};
    }
    return std::nullopt;
}

std::string MsrDevice(std::uint32_t cpu) { return "dev/cpu/" + std::to_string(cpu) + "/msr"; }

std::optional<FixtureRegister> ReadMsr(const SensorTree& tree, std::uint32_t cpu, std::uint32_t index) {
    const auto bytes = tree.ReadAt(MsrDevice(cpu), index, 8);
    if (!bytes) return std::nullopt;
    const auto half = [&](int first) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | (*bytes)[static_cast<std::size_t>(first + i)];
        return value;
    };
    return FixtureRegister{cpu, index, half(0), half(4)};
}

std::string Counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char* SourceName(ProcessorSource source) {
    switch (source) {
        case ProcessorSource::Msr: return "the msr device";
        case ProcessorSource::Coretemp: return "coretemp";
        case ProcessorSource::K10temp: return "k10temp";
        case ProcessorSource::None: break;
    }
    return "";
}

FixtureValue Integer(VARTYPE type, std::int64_t value) {
    FixtureValue v;
    v.type = type;
    v.integer = value;
    return v;
}

bool ByDeviceName(const Disk& a, const Disk& b) { return a.device < b.device; }

}  // namespace

std::vector<ThermalZone> ThermalZones(const SensorTree& tree) {
    std::vector<ThermalZone> zones;
    for (const std::string& zone : Numbered(tree, "sys/class/thermal", "thermal_zone")) {
        const auto tenths = TenthsKelvin(ReadInteger(tree, zone + "/temp"));
        if (!tenths) continue;
        ThermalZone found{*tenths, std::nullopt, std::nullopt};
        // The first trip point of each type: trip_point_<n>_type beside trip_point_<n>_temp.
        for (const std::string& name : tree.List(zone)) {
            if (!name.starts_with("trip_point_") || !name.ends_with("_type")) continue;
            const std::string stem = zone + "/" + name.substr(0, name.size() - 5);
            const std::string type = ReadLine(tree, stem + "_type");
            std::optional<std::uint32_t>* trip = type == "passive"    ? &found.passive
                                                 : type == "critical" ? &found.critical
                                                                      : nullptr;
            if (trip && !*trip) *trip = TenthsKelvin(ReadInteger(tree, stem + "_temp"));
        }
        zones.push_back(found);
    }
    return zones;
}

std::vector<Disk> Disks(const SensorTree& tree) {
    std::vector<Disk> disks;
    for (const std::string& device : tree.List("sys/block"))
        if (device.starts_with("sd"))
            AddDisk(tree, device, MonitorsOf(tree, "sys/block/" + device + "/device/hwmon", "drivetemp"), disks);
    std::sort(disks.begin(), disks.end(), ByDeviceName);
    return disks;
}

std::vector<Disk> NvmeDrives(const SensorTree& tree) {
    std::vector<Disk> disks;
    for (const std::string& controller : tree.List("sys/class/nvme")) {
        const std::string folder = "sys/class/nvme/" + controller;
        std::vector<std::string> monitors = MonitorsOf(tree, folder, "nvme");
        const auto below = MonitorsOf(tree, folder + "/device/hwmon", "nvme");
        monitors.insert(monitors.end(), below.begin(), below.end());
        AddDisk(tree, controller, monitors, disks);
    }
    std::sort(disks.begin(), disks.end(), ByDeviceName);
    return disks;
}

std::vector<FixtureAdapter> GraphicsAdapters(const SensorTree& tree) {
    std::vector<FixtureAdapter> adapters;
    for (const std::string& card : Numbered(tree, "sys/class/drm", "card")) {
        for (const std::string& monitor : Numbered(tree, card + "/device/hwmon", "hwmon")) {
            std::optional<std::uint32_t> first;
            for (const std::string& name : tree.List(monitor))
                if (name.ends_with("_input"))
                    if (const auto n = NumberAfter(name.substr(0, name.size() - 6), "temp"); n && (!first || *n < *first))
                        first = n;
            const std::string sensor = first ? monitor + "/temp" + std::to_string(*first) : std::string();
            const auto milli = first ? ReadInteger(tree, sensor + "_input") : std::nullopt;
            // The graphics kernel reports no temperature at or below zero.
            if (!milli || *milli < 50) continue;
            FixtureAdapter adapter{*NumberAfter(card.substr(card.rfind('/') + 1), "card"), 0, Tenths(*milli), 0};
            const auto warning = ReadInteger(tree, sensor + "_max");
            const auto max = ReadInteger(tree, sensor + "_crit");
            adapter.declaresCaps = warning || max;
            adapter.temperatureWarning = warning ? Tenths(*warning) : 0;
            adapter.temperatureMax = max ? Tenths(*max) : 0;
            adapters.push_back(adapter);
            break;
        }
    }
    return adapters;
}

std::optional<std::int64_t> BoardTemperature(const SensorTree& tree) {
    for (const std::string& monitor : Numbered(tree, "sys/class/hwmon", "hwmon")) {
        const std::string driver = ReadLine(tree, monitor + "/name");
        std::optional<std::string> sensor;
        if (driver == "asusec") sensor = SensorLabelled(tree, monitor, "Motherboard");
        else if (driver.starts_with("nct679") && driver.size() == 7) sensor = SensorLabelled(tree, monitor, "SYSTIN");
        else if (driver.starts_with("it86") || driver == "it87952") sensor = monitor + "/temp1";
        if (!sensor) continue;
        if (const auto milli = ReadInteger(tree, *sensor + "_input")) return milli;
    }
    return std::nullopt;
}

std::vector<hardware::MemoryReading> MemorySensors(const SensorTree& tree) {
    std::vector<hardware::MemoryReading> sensors;
    const auto milli = [&](const std::string& path) -> std::optional<std::int32_t> {
        const auto value = ReadInteger(tree, path);
        if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
        return static_cast<std::int32_t>(*value);
    };
    for (const auto& [driver, first] : {std::pair{"spd5118", 0x50u}, std::pair{"jc42", 0x18u}}) {
        const std::string folder = std::string("sys/bus/i2c/drivers/") + driver;
        for (const std::string& device : tree.List(folder)) {
            // "<bus>-<address>", the address in four hexadecimal digits.
            const std::size_t dash = device.find('-');
            std::uint32_t address = 0;
            if (dash == std::string::npos) continue;
            const auto [last, ec] = std::from_chars(device.data() + dash + 1, device.data() + device.size(), address, 16);
            if (ec != std::errc() || last != device.data() + device.size() || address < first || address >= first + 8)
                continue;
            const std::uint32_t slot = address - first;
            if (std::ranges::any_of(sensors, [&](const auto& s) { return s.slot == slot; })) continue;
            for (const std::string& monitor : Numbered(tree, folder + "/" + device + "/hwmon", "hwmon")) {
                const auto input = milli(monitor + "/temp1_input");
                if (!input) continue;
                sensors.push_back({slot, *input, milli(monitor + "/temp1_max"), milli(monitor + "/temp1_crit")});
                break;
            }
        }
    }
    std::ranges::sort(sensors, {}, &hardware::MemoryReading::slot);
    return sensors;
}

std::vector<std::uint8_t> SmartData(int celsius) {
    std::vector<std::uint8_t> data(512, 0);
    data[0] = 0x10;  // revision
    // The first attribute record: number, flags (two bytes), current, worst, raw value (six bytes), reserved.
    const auto raw = static_cast<std::uint8_t>(std::clamp(celsius, 0, 255));
    const std::uint8_t record[12] = {0xC2, 0x22, 0x00, 0x64, 0x64, raw};
    std::copy(std::begin(record), std::end(record), data.begin() + 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 511; ++i) sum += data[i];
    data[511] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    return data;
}

SensorFixture LiveFixture(const SensorTree& tree) {
    SensorFixture fixture;
    fixture.classes.push_back({u"root\\CIMV2", u"Win32_TemperatureProbe", {}, std::nullopt, {}});
    FixtureClass zones{u"root\\WMI", u"MSAcpi_ThermalZoneTemperature", {}, std::nullopt, {}};
    for (const ThermalZone& zone : ThermalZones(tree)) {
        FixtureObject object{{{u"CurrentTemperature", Integer(VT_UI4, zone.tenthsKelvin)}}};
        if (zone.passive) object.properties.push_back({u"PassiveTripPoint", Integer(VT_UI4, *zone.passive)});
        if (zone.critical) object.properties.push_back({u"CriticalTripPoint", Integer(VT_UI4, *zone.critical)});
        zones.objects.push_back(std::move(object));
    }
    fixture.classes.push_back(std::move(zones));
    FixtureClass smart{u"root\\WMI", u"MSStorageDriver_ATAPISmartData", {}, std::nullopt, {}};
    for (const Disk& disk : Disks(tree)) {
        FixtureValue name;
        name.type = VT_BSTR;
        name.text.assign(disk.device.begin(), disk.device.end());  // kernel device names are ASCII
        FixtureValue data;
        data.type = VT_ARRAY | VT_UI1;
        data.bytes = SmartData(disk.celsius);
        smart.objects.push_back(
            {{{u"Active", Integer(VT_BOOL, VARIANT_TRUE)}, {u"InstanceName", name}, {u"VendorSpecific", data}}});
    }
    fixture.classes.push_back(std::move(smart));
    return fixture;
}

ProcessorSensor FindProcessorSensor(const SensorTree& tree, std::uint32_t cpu) {
    if (ReadMsr(tree, cpu, kThermStatus)) return {ProcessorSource::Msr, {}, kDefaultTarget};
    if (auto sensor = FindCoretemp(tree, cpu)) return *sensor;
    if (auto sensor = FindK10temp(tree)) return *sensor;
    return {};
}

std::optional<FixtureRegister> ReadRegister(const SensorTree& tree, const ProcessorSensor& sensor, std::uint32_t cpu,
                                            std::uint32_t index) {
    if (sensor.source == ProcessorSource::Msr) return ReadMsr(tree, cpu, index);
    if (sensor.source == ProcessorSource::None) return std::nullopt;
    if (index == kTemperatureTarget) return FixtureRegister{cpu, index, hardware::TargetRegister(sensor.target), 0};
    if (index != kThermStatus) return std::nullopt;
    const auto milli = ReadInteger(tree, sensor.input);
    if (!milli) return std::nullopt;
    // The readout counts down from the target, in the seven bits a real register gives it.
    const std::int64_t readout = sensor.target - RoundThousandths(*milli);
    return FixtureRegister{cpu, index, hardware::ThermStatusRegister(readout), 0};
}

ProcessorSource SourceOf(const SensorTree& tree, std::uint32_t cpu) { return FindProcessorSensor(tree, cpu).source; }

std::optional<FixtureRegister> ReadRegister(const SensorTree& tree, std::uint32_t cpu, std::uint32_t index) {
    return ReadRegister(tree, FindProcessorSensor(tree, cpu), cpu, index);
}

std::optional<FixtureRegister> ProcessorRegisters::Read(std::uint32_t cpu, std::uint32_t index) {
    auto found = m_sensors.find(cpu);
    if (found == m_sensors.end()) found = m_sensors.emplace(cpu, FindProcessorSensor(m_tree, cpu)).first;
    return ReadRegister(m_tree, found->second, cpu, index);
}

std::string Summary(const SensorTree& tree) {
    std::vector<std::string> parts;
    if (const auto zones = ThermalZones(tree).size()) parts.push_back(Counted(zones, "thermal zone", "thermal zones"));
    if (const auto disks = Disks(tree).size() + NvmeDrives(tree).size())
        parts.push_back(Counted(disks, "disk", "disks"));
    if (const auto cards = GraphicsAdapters(tree).size())
        parts.push_back(Counted(cards, "graphics card", "graphics cards"));
    std::size_t processors = 0;
    std::set<std::string> sources;
    for (const std::string& folder : Numbered(tree, "sys/devices/system/cpu", "cpu")) {
        const auto cpu = NumberAfter(folder.substr(folder.rfind('/') + 1), "cpu");
        const ProcessorSource source = SourceOf(tree, *cpu);
        if (source == ProcessorSource::None) continue;
        ++processors;
        sources.insert(SourceName(source));
    }
    if (processors) {
        std::string from;
        for (const std::string& source : sources) from += (from.empty() ? "" : " and ") + source;
        parts.push_back(Counted(processors, "processor", "processors") + " from " + from);
    }
    std::string summary;
    for (const std::string& part : parts) summary += (summary.empty() ? "" : ", ") + part;
    return summary;
}

}  // namespace veltar::live
