// The mainboard's Super I/O chip, found and read through PawnIO's LpcIO module:
// Nuvoton NCT6791D-NCT6799D and ITE IT8620E-IT8698E on the first slot (ports
// 0x2E/0x2F), its hardware monitor's base from the chip's configuration, and
// the board's temperature (Nuvoton SYSTIN, ITE temperature 1) through the
// monitor's index and data ports. Only the writes named here reach the chip.
#pragma once

#include <cstdint>
#include <optional>

#include "hardware/bus_lock.h"

namespace veltar::hardware {

// The LpcIO module's calls that the chip logic makes; false or nothing where
// the module refuses the call.
class LpcPorts {
public:
    virtual ~LpcPorts() = default;
    virtual bool SelectSlot(std::uint64_t slot) = 0;                       // ioctl_select_slot
    virtual bool FindBars() = 0;                                           // ioctl_find_bars
    virtual std::optional<std::uint8_t> In(std::uint16_t port) = 0;        // ioctl_pio_inb
    virtual bool Out(std::uint16_t port, std::uint8_t value) = 0;          // ioctl_pio_outb
    virtual std::optional<std::uint8_t> ConfigIn(std::uint8_t reg) = 0;    // ioctl_superio_inb
    virtual bool ConfigOut(std::uint8_t reg, std::uint8_t value) = 0;      // ioctl_superio_outb
};

enum class ChipFamily { Nuvoton, Ite };

struct BoardChip {
    ChipFamily family = ChipFamily::Nuvoton;
    std::uint16_t id = 0;
    std::uint16_t base = 0;  // the hardware monitor's ports start here
    bool operator==(const BoardChip&) const = default;
};

// The family of a chip id Veltar reads; none for any other.
std::optional<ChipFamily> KnownChip(std::uint16_t id);

// Looks at the chip on the first slot, holding the lock; none without a known
// chip whose hardware monitor is active at a base, or without the lock.
std::optional<BoardChip> FindBoardChip(LpcPorts& ports, BusLock& lock);

// The board's temperature in thousandths of a degree, holding the lock for the
// whole exchange; none outside -40 to 125 °C (an open input reads -55 or 127)
// or without the lock.
std::optional<std::int32_t> ReadBoardTemperature(LpcPorts& ports, BusLock& lock, const BoardChip& chip);

}  // namespace veltar::hardware
