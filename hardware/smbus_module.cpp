#include "hardware/smbus_module.h"

#include "hardware/pawnio_device.h"

namespace veltar::hardware {

// The read flag is always 1: no call here writes to a device.
std::optional<std::uint16_t> PawnIoSmbusPorts::Read(std::uint8_t address, std::uint8_t command,
                                                    SmbusProtocol protocol) {
    constexpr std::uint64_t kRead = 1;
    std::array<std::uint64_t, kSmbusTransferCells> transfer{address, kRead, command,
                                                            static_cast<std::uint64_t>(protocol)};
    const auto result = CallModule(m_device, "ioctl_smbus_xfer", transfer, kSmbusResultCells);
    if (!result) return std::nullopt;
    const std::uint64_t mask = protocol == SmbusProtocol::ByteData ? 0xFF : 0xFFFF;
    return static_cast<std::uint16_t>(result->front() & mask);
}

std::optional<std::uint64_t> PawnIoSmbusPorts::SelectPort(std::int64_t port) {
    return CallModule(m_device, "ioctl_piix4_port_sel", static_cast<std::uint64_t>(port));
}

}  // namespace veltar::hardware
