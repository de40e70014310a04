#include "hardware/lpc_module.h"

#include <array>

#include "hardware/pawnio_device.h"

namespace veltar::hardware {
namespace {

template <std::size_t N>
bool Call(HANDLE device, std::string_view function, const std::array<std::uint64_t, N>& arguments) {
    return CallModule(device, function, std::span<const std::uint64_t>(arguments), 0).has_value();
}

std::optional<std::uint8_t> Byte(HANDLE device, std::string_view function, std::uint64_t argument) {
    const auto value = CallModule(device, function, argument);
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

}  // namespace

bool PawnIoLpcPorts::SelectSlot(std::uint64_t slot) {
    return Call(m_device, "ioctl_select_slot", std::array<std::uint64_t, 1>{slot});
}

bool PawnIoLpcPorts::FindBars() { return Call(m_device, "ioctl_find_bars", std::array<std::uint64_t, 0>{}); }

std::optional<std::uint8_t> PawnIoLpcPorts::In(std::uint16_t port) { return Byte(m_device, "ioctl_pio_inb", port); }

bool PawnIoLpcPorts::Out(std::uint16_t port, std::uint8_t value) {
    return Call(m_device, "ioctl_pio_outb", std::array<std::uint64_t, 2>{port, value});
}

std::optional<std::uint8_t> PawnIoLpcPorts::ConfigIn(std::uint8_t reg) {
    return Byte(m_device, "ioctl_superio_inb", reg);
}

bool PawnIoLpcPorts::ConfigOut(std::uint8_t reg, std::uint8_t value) {
    return Call(m_device, "ioctl_superio_outb", std::array<std::uint64_t, 2>{reg, value});
}

}  // namespace veltar::hardware
