#include "hardware/memory_modules.h"

#include <cmath>

#include "sensors/temperature_limits.h"

namespace veltar::hardware {
namespace {

constexpr std::uint8_t kSlots = 8;

// DDR5's SPD hub: its registers, MR<n> at n.
constexpr std::uint8_t kHubFirst = 0x50;
constexpr std::uint16_t kHubIdentity = 0x1851;  // MR0 = 0x51, MR1 = 0x18, read as one word
constexpr std::uint8_t kHubCapability = 5;      // MR5 bit 1: a temperature sensor
constexpr std::uint8_t kHubPage = 11;           // MR11 bits 2:0: the page of the NVM window
constexpr std::uint8_t kHubSensorConfig = 26;   // MR26 bit 0: the sensor disabled
constexpr std::uint8_t kHubHighLimit = 28;
constexpr std::uint8_t kHubCriticalHigh = 32;
constexpr std::uint8_t kHubTemperature = 49;

// DDR4's JC-42.4 sensor.
constexpr std::uint8_t kSensorFirst = 0x18;
constexpr std::uint8_t kSensorUpperLimit = 0x02;
constexpr std::uint8_t kSensorCriticalLimit = 0x04;
constexpr std::uint8_t kSensorTemperature = 0x05;
constexpr std::uint8_t kSensorManufacturer = 0x06;
constexpr std::uint8_t kSensorDevice = 0x07;

constexpr std::int32_t kLowestBelieved = -40'000;
constexpr std::int32_t kHighestBelieved = 125'000;

std::int32_t SignExtended(std::uint32_t value, int bits) {
    const std::uint32_t sign = 1u << (bits - 1);
    return static_cast<std::int32_t>(value ^ sign) - static_cast<std::int32_t>(sign);
}

std::optional<std::uint16_t> Word(SmbusPorts& ports, std::uint8_t address, std::uint8_t command) {
    return ports.Read(address, command, SmbusProtocol::WordData);
}

std::optional<std::uint16_t> Byte(SmbusPorts& ports, std::uint8_t address, std::uint8_t command) {
    return ports.Read(address, command, SmbusProtocol::ByteData);
}

// The port that holds the modules is port 0 on AMD's controller, whose
// selection the firmware and other tools share: the exchange runs on port 0
// and the port found is selected again after it, whatever the exchange gave.
template <typename Exchange>
auto OnModulesPort(SmbusPorts& ports, bool selectsPort, Exchange exchange) -> decltype(exchange()) {
    if (!selectsPort) return exchange();
    const std::optional<std::uint64_t> found = ports.SelectPort(-1);
    if (!found || !ports.SelectPort(0)) return {};
    auto result = exchange();
    ports.SelectPort(static_cast<std::int64_t>(*found));
    return result;
}

enum class Hub { Absent, Hidden, WithSensor };

Hub LookAtHub(SmbusPorts& ports, std::uint8_t address) {
    const auto identity = Word(ports, address, 0);
    if (identity != kHubIdentity) return Hub::Absent;
    const auto capability = Byte(ports, address, kHubCapability);
    const auto page = Byte(ports, address, kHubPage);
    const auto config = Byte(ports, address, kHubSensorConfig);
    if (!capability || !page || !config || !(*capability & 0x02) || (*page & 0x07) || (*config & 0x01))
        return Hub::Hidden;
    return Hub::WithSensor;
}

std::optional<std::int32_t> Believed(std::int32_t milliCelsius) {
    if (!DeclaredLimit(milliCelsius / 1000.0)) return std::nullopt;
    return milliCelsius;
}

// The temperature and the two limits, read as words and decoded.
std::optional<MemoryReading> ReadModule(SmbusPorts& ports, const MemoryModule& module) {
    const bool ddr5 = module.kind == MemoryKind::Ddr5;
    const auto address = static_cast<std::uint8_t>((ddr5 ? kHubFirst : kSensorFirst) + module.slot);
    const auto decode = ddr5 ? Ddr5MilliCelsius : Ddr4MilliCelsius;
    const auto temperature = Word(ports, address, ddr5 ? kHubTemperature : kSensorTemperature);
    const auto warning = Word(ports, address, ddr5 ? kHubHighLimit : kSensorUpperLimit);
    const auto critical = Word(ports, address, ddr5 ? kHubCriticalHigh : kSensorCriticalLimit);
    if (!temperature || !warning || !critical) return std::nullopt;
    const std::int32_t milli = decode(*temperature);
    if (milli < kLowestBelieved || milli > kHighestBelieved) return std::nullopt;
    return MemoryReading{module.slot, milli, Believed(decode(*warning)), Believed(decode(*critical))};
}

}  // namespace

std::int32_t Ddr5MilliCelsius(std::uint16_t word) { return SignExtended((word >> 2) & 0x7FF, 11) * 250; }

std::int32_t Ddr4MilliCelsius(std::uint16_t wireWord) {
    const auto word = static_cast<std::uint16_t>(wireWord << 8 | wireWord >> 8);
    return static_cast<std::int32_t>(std::lround(SignExtended(word & 0x1FFF, 13) * 62.5));
}

std::vector<MemoryModule> FindMemoryModules(SmbusPorts& ports, BusLock& lock, bool selectsPort) {
    const Held held(lock);
    if (!held) return {};
    return OnModulesPort(ports, selectsPort, [&] {
        std::vector<MemoryModule> found;
        for (std::uint8_t slot = 0; slot < kSlots; ++slot) {
            const Hub hub = LookAtHub(ports, static_cast<std::uint8_t>(kHubFirst + slot));
            if (hub == Hub::WithSensor) found.push_back({slot, MemoryKind::Ddr5});
            if (hub != Hub::Absent) continue;
            const auto sensor = static_cast<std::uint8_t>(kSensorFirst + slot);
            if (Word(ports, sensor, kSensorManufacturer) && Word(ports, sensor, kSensorDevice))
                found.push_back({slot, MemoryKind::Ddr4});
        }
        return found;
    });
}

std::vector<MemoryReading> ReadMemoryTemperatures(SmbusPorts& ports, BusLock& lock, bool selectsPort,
                                                  std::span<const MemoryModule> modules) {
    if (modules.empty()) return {};
    const Held held(lock);
    if (!held) return {};
    return OnModulesPort(ports, selectsPort, [&] {
        std::vector<MemoryReading> readings;
        for (const MemoryModule& module : modules)
            if (const auto reading = ReadModule(ports, module)) readings.push_back(*reading);
        return readings;
    });
}

}  // namespace veltar::hardware
