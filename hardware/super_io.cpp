#include "hardware/super_io.h"

#include <algorithm>
#include <array>

namespace veltar::hardware {
namespace {

constexpr std::uint16_t kRegisterPort = 0x2E;  // the first slot's index port
constexpr std::uint8_t kChipIdHigh = 0x20;
constexpr std::uint8_t kChipIdLow = 0x21;
constexpr std::uint8_t kLogicalDevice = 0x07;
constexpr std::uint8_t kActivate = 0x30;
constexpr std::uint8_t kBaseHigh = 0x60;
constexpr std::uint8_t kBaseLow = 0x61;
constexpr std::uint8_t kIteConfigControl = 0x02;  // ITE: 0x02 written here leaves configuration mode
constexpr std::uint8_t kNuvotonExitKey = 0xAA;

constexpr std::array<std::uint8_t, 2> kNuvotonKey{0x87, 0x87};
constexpr std::array<std::uint8_t, 4> kIteKey{0x87, 0x01, 0x55, 0x55};
constexpr std::array<std::uint16_t, 8> kNuvotonIds{0xC800, 0xC910, 0xD120, 0xD350, 0xD420, 0xD450, 0xD428, 0xD800};
constexpr std::array<std::uint16_t, 9> kIteIds{0x8620, 0x8628, 0x8655, 0x8665, 0x8686,
                                               0x8688, 0x8689, 0x8696, 0x8698};

// The hardware monitor's logical device, and its index and data ports from its base.
constexpr std::uint8_t kNuvotonMonitor = 0x0B;
constexpr std::uint8_t kIteMonitor = 0x04;
constexpr std::uint16_t kIndexOffset = 5;
constexpr std::uint16_t kDataOffset = 6;
// Nuvoton: the bank register, and SYSTIN at bank 4 register 0x90.
constexpr std::uint8_t kNuvotonBankSelect = 0x4E;
constexpr std::uint8_t kSystinBank = 4;
constexpr std::uint8_t kSystin = 0x90;
// ITE: bits 7:5 of register 0x06 choose the bank; temperature 1 at 0x29 in bank 0.
constexpr std::uint8_t kIteBankRegister = 0x06;
constexpr std::uint8_t kIteBankBits = 0xE0;
constexpr std::uint8_t kIteTemperature1 = 0x29;

constexpr int kLowestBelieved = -40;
constexpr int kHighestBelieved = 125;

std::optional<std::uint16_t> ChipId(LpcPorts& ports) {
    const auto high = ports.ConfigIn(kChipIdHigh);
    const auto low = ports.ConfigIn(kChipIdLow);
    if (!high || !low) return std::nullopt;
    return static_cast<std::uint16_t>(*high << 8 | *low);
}

bool Answers(std::optional<std::uint16_t> id) { return id && *id != 0xFFFF && *id != 0x0000; }

template <std::size_t N>
void SendKey(LpcPorts& ports, const std::array<std::uint8_t, N>& key) {
    for (const std::uint8_t byte : key) ports.Out(kRegisterPort, byte);
}

enum class Entered { None, Nuvoton, Ite };

void LeaveConfiguration(LpcPorts& ports, Entered entered) {
    if (entered == Entered::Nuvoton) ports.Out(kRegisterPort, kNuvotonExitKey);
    else if (entered == Entered::Ite) ports.ConfigOut(kIteConfigControl, 0x02);
}

// The monitor's base from the chip in configuration mode; none when it is not active or has none.
std::optional<std::uint16_t> MonitorBase(LpcPorts& ports, ChipFamily family) {
    if (!ports.FindBars()) return std::nullopt;
    if (!ports.ConfigOut(kLogicalDevice, family == ChipFamily::Nuvoton ? kNuvotonMonitor : kIteMonitor))
        return std::nullopt;
    const auto active = ports.ConfigIn(kActivate);
    const auto high = ports.ConfigIn(kBaseHigh);
    const auto low = ports.ConfigIn(kBaseLow);
    if (!active || !high || !low || !(*active & 1)) return std::nullopt;
    const auto base = static_cast<std::uint16_t>((*high << 8 | *low) & ~7);
    if (base == 0) return std::nullopt;
    return base;
}

std::optional<std::uint8_t> MonitorRead(LpcPorts& ports, std::uint16_t base, std::uint8_t reg) {
    if (!ports.Out(static_cast<std::uint16_t>(base + kIndexOffset), reg)) return std::nullopt;
    return ports.In(static_cast<std::uint16_t>(base + kDataOffset));
}

bool MonitorWrite(LpcPorts& ports, std::uint16_t base, std::uint8_t reg, std::uint8_t value) {
    return ports.Out(static_cast<std::uint16_t>(base + kIndexOffset), reg) &&
           ports.Out(static_cast<std::uint16_t>(base + kDataOffset), value);
}

std::optional<std::uint8_t> ReadSystin(LpcPorts& ports, std::uint16_t base) {
    if (!MonitorWrite(ports, base, kNuvotonBankSelect, kSystinBank)) return std::nullopt;
    const auto value = MonitorRead(ports, base, kSystin);
    MonitorWrite(ports, base, kNuvotonBankSelect, 0);
    return value;
}

std::optional<std::uint8_t> ReadIteTemperature1(LpcPorts& ports, std::uint16_t base) {
    const auto bank = MonitorRead(ports, base, kIteBankRegister);
    if (!bank) return std::nullopt;
    const bool otherBank = (*bank & kIteBankBits) != 0;
    if (otherBank && !MonitorWrite(ports, base, kIteBankRegister, *bank & ~kIteBankBits)) return std::nullopt;
    const auto value = MonitorRead(ports, base, kIteTemperature1);
    if (otherBank) MonitorWrite(ports, base, kIteBankRegister, *bank);
    return value;
}

}  // namespace

std::optional<ChipFamily> KnownChip(std::uint16_t id) {
    if (std::ranges::find(kNuvotonIds, static_cast<std::uint16_t>(id & 0xFFF8)) != kNuvotonIds.end())
        return ChipFamily::Nuvoton;
    if (std::ranges::find(kIteIds, id) != kIteIds.end()) return ChipFamily::Ite;
    return std::nullopt;
}

// A chip some firmware left in configuration mode answers before any key; else
// Nuvoton's key is tried, then ITE's. Only the mode entered here is left.
std::optional<BoardChip> FindBoardChip(LpcPorts& ports, BusLock& lock) {
    const Held held(lock);
    if (!held || !ports.SelectSlot(0)) return std::nullopt;
    Entered entered = Entered::None;
    std::optional<std::uint16_t> id = ChipId(ports);
    if (!Answers(id)) {
        SendKey(ports, kNuvotonKey);
        id = ChipId(ports);
        entered = Entered::Nuvoton;
    }
    if (!Answers(id)) {
        SendKey(ports, kIteKey);
        id = ChipId(ports);
        entered = Answers(id) ? Entered::Ite : Entered::None;
    }
    if (!Answers(id)) return std::nullopt;
    const std::optional<ChipFamily> family = KnownChip(*id);
    const std::optional<std::uint16_t> base = family ? MonitorBase(ports, *family) : std::nullopt;
    LeaveConfiguration(ports, entered);
    if (!base) return std::nullopt;
    return BoardChip{*family, *id, *base};
}

std::optional<std::int32_t> ReadBoardTemperature(LpcPorts& ports, BusLock& lock, const BoardChip& chip) {
    const Held held(lock);
    if (!held) return std::nullopt;
    const auto raw =
        chip.family == ChipFamily::Nuvoton ? ReadSystin(ports, chip.base) : ReadIteTemperature1(ports, chip.base);
    if (!raw) return std::nullopt;
    const int celsius = static_cast<std::int8_t>(*raw);
    if (celsius < kLowestBelieved || celsius > kHighestBelieved) return std::nullopt;
    return celsius * 1000;
}

}  // namespace veltar::hardware
