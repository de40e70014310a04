// The machine's own sensors as the Linux kernel reports them, served in the
// shapes the program reads on Windows: the management service's thermal-zone
// and SMART classes, and the two thermal registers of each processor.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hardware/memory_modules.h"
#include "standins/fixture/sensor_fixture.h"
#include "standins/live/sensor_tree.h"

namespace veltar::live {

// A thermal zone's temperature and its passive and critical trip points, in
// tenths of a kelvin.
struct ThermalZone {
    std::uint32_t tenthsKelvin = 0;
    std::optional<std::uint32_t> passive;
    std::optional<std::uint32_t> critical;
    bool operator==(const ThermalZone&) const = default;
};

// Every thermal zone that can be read, by zone number.
std::vector<ThermalZone> ThermalZones(const SensorTree& tree);

struct Disk {
    std::string device;  // "sda", "nvme0"
    int celsius = 0;
    std::string input;  // the file it was read from, in thousandths of a degree
    // The monitor's temp1_max and temp1_crit, in whole °C.
    std::optional<int> warning;
    std::optional<int> critical;
};

// SATA disks (drivetemp) whose temperature can be read, by device name: the
// management service's SMART objects.
std::vector<Disk> Disks(const SensorTree& tree);

// NVMe drives whose composite temperature can be read, by device name: the
// drives of the stand-in storage driver.
std::vector<Disk> NvmeDrives(const SensorTree& tree);

// Graphics cards whose driver reports a temperature (the first temperature
// input of a drm card's hardware monitor: amdgpu, nouveau, xe, ...), by card
// number, as the graphics kernel's adapters: LUID the card number, the
// temperature in tenths of a degree Celsius, and that input's _max and _crit
// as the declared warning and maximum.
std::vector<FixtureAdapter> GraphicsAdapters(const SensorTree& tree);

// The mainboard's temperature from its Super I/O chip's driver, in thousandths
// of a degree: asusec's "Motherboard", an nct6791-nct6799's "SYSTIN", an
// it8620-it8698's or it87952's first temperature; nothing without one.
std::optional<std::int64_t> BoardTemperature(const SensorTree& tree);

// The memory modules' sensors as the kernel's spd5118 (DDR5) and jc42 (DDR4)
// drivers read them, in slot order: the slot from the bus address (0x50 + slot,
// 0x18 + slot), temp1_input, and temp1_max and temp1_crit as the limits, as they
// are; a DDR5 hub's where both drivers name a slot.
std::vector<hardware::MemoryReading> MemorySensors(const SensorTree& tree);

// A drive's 512 bytes of SMART data holding the temperature attribute 194 (flags
// 0x22) with the temperature in its raw value, and the checksum in the last byte.
std::vector<std::uint8_t> SmartData(int celsius);

// The classes of the management service: no temperature probe, one thermal
// zone object per zone (with its trip points), one SMART object per disk.
SensorFixture LiveFixture(const SensorTree& tree);

enum class ProcessorSource { None, Msr, Coretemp, K10temp };

// The target temperature, in °C, where a driver gives none.
inline constexpr int kDefaultTarget = 100;

// Where a processor's temperature is read: its msr device, or a driver's input
// file with the target that the driver gives.
struct ProcessorSensor {
    ProcessorSource source = ProcessorSource::None;
    std::string input;
    std::int64_t target = kDefaultTarget;
};

ProcessorSensor FindProcessorSensor(const SensorTree& tree, std::uint32_t cpu);

// Where the processor's registers come from: its msr device when that can be
// read, else the temperature driver of its kind.
ProcessorSource SourceOf(const SensorTree& tree, std::uint32_t cpu);

// The register of the processor (IA32_TEMPERATURE_TARGET 0x1A2 or
// IA32_THERM_STATUS 0x19C; any register from the msr device); nothing when the
// processor has no source for it.
std::optional<FixtureRegister> ReadRegister(const SensorTree& tree, std::uint32_t cpu, std::uint32_t index);

// The registers of every processor for as long as the library is initialised.
// Finding a processor's sensor takes dozens of file reads, and the sensors stay
// where they are while the machine runs: each is found at its processor's first
// read, and every read after that reads its input alone.
class ProcessorRegisters {
public:
    explicit ProcessorRegisters(const SensorTree& tree) : m_tree(tree) {}
    std::optional<FixtureRegister> Read(std::uint32_t cpu, std::uint32_t index);

private:
    const SensorTree& m_tree;
    std::map<std::uint32_t, ProcessorSensor> m_sensors;
};

// What the tree offers, as "2 thermal zones, 1 disk, 8 processors from coretemp";
// empty when it offers nothing.
std::string Summary(const SensorTree& tree);

}  // namespace veltar::live
