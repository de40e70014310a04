// The LpcIO module of PawnIO on a handle of its own: the chip logic's ports
// over the real driver.
#pragma once

#include <windows.h>

#include "hardware/super_io.h"

namespace veltar::hardware {

class PawnIoLpcPorts final : public LpcPorts {
public:
    explicit PawnIoLpcPorts(HANDLE device) : m_device(device) {}
    bool SelectSlot(std::uint64_t slot) override;
    bool FindBars() override;
    std::optional<std::uint8_t> In(std::uint16_t port) override;
    bool Out(std::uint16_t port, std::uint8_t value) override;
    std::optional<std::uint8_t> ConfigIn(std::uint8_t reg) override;
    bool ConfigOut(std::uint8_t reg, std::uint8_t value) override;

private:
    HANDLE m_device;
};

}  // namespace veltar::hardware
