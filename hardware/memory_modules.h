// The memory modules' own temperature sensors on the SMBus, through PawnIO's
// SmbusI801 or SmbusPIIX4 module: a DDR5 module's SPD hub at 0x50-0x57 and a
// DDR4 module's JC-42.4 sensor at 0x18-0x1F, for slots 0-7. Read only: the
// seam below has no way to write to a device, and the only words sent on the
// bus are the numbers of the registers read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "hardware/bus_lock.h"

namespace veltar::hardware {

enum class SmbusProtocol : std::uint8_t { ByteData = 2, WordData = 3 };

// The SMBus module's calls that the memory logic makes.
class SmbusPorts {
public:
    virtual ~SmbusPorts() = default;
    // A read of a device's register (ioctl_smbus_xfer): the byte, or the word
    // with its first byte on the wire low; none where no device answers or the
    // bus fails.
    virtual std::optional<std::uint16_t> Read(std::uint8_t address, std::uint8_t command, SmbusProtocol protocol) = 0;
    // AMD's controller only (ioctl_piix4_port_sel): -1 asks the port selected,
    // another value selects that port; the port selected before the call.
    virtual std::optional<std::uint64_t> SelectPort(std::int64_t port) = 0;
};

enum class MemoryKind { Ddr5, Ddr4 };

struct MemoryModule {
    std::uint8_t slot = 0;
    MemoryKind kind = MemoryKind::Ddr5;
    bool operator==(const MemoryModule&) const = default;
};

// In thousandths of a degree; a limit the module declares that is not believed
// (outside 40-150 °C) is none.
struct MemoryReading {
    std::uint32_t slot = 0;
    std::int32_t milliCelsius = 0;
    std::optional<std::int32_t> warning;
    std::optional<std::int32_t> critical;
    bool operator==(const MemoryReading&) const = default;
};

// The register encodings in thousandths of a degree: a DDR5 hub's word (bits
// 12:2, two's complement, 0.25 °C a step) and a JC-42.4 sensor's word as the
// bus gives it (big-endian; bits 12:0, two's complement, 0.0625 °C a step).
std::int32_t Ddr5MilliCelsius(std::uint16_t word);
std::int32_t Ddr4MilliCelsius(std::uint16_t wireWord);

// Looks at the eight slots, holding the lock (on AMD's controller, on port 0,
// the port found selected again after): a DDR5 hub with its sensor present,
// enabled and its registers on page 0; else, where no hub answered, a DDR4
// sensor. None without the lock.
std::vector<MemoryModule> FindMemoryModules(SmbusPorts& ports, BusLock& lock, bool selectsPort);

// Each module's temperature and limits in slot order, holding the lock for the
// whole exchange; a module whose transfer fails, or whose temperature is
// outside -40 to 125 °C, is left out.
std::vector<MemoryReading> ReadMemoryTemperatures(SmbusPorts& ports, BusLock& lock, bool selectsPort,
                                                  std::span<const MemoryModule> modules);

}  // namespace veltar::hardware
