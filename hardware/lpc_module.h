// The LpcIO module of PawnIO on a handle of its own, and the named mutex that
// tools touching the board's Super I/O chip share: the two seams of the chip
// logic over the real driver.
#pragma once

#include <windows.h>

#include "base/scoped_win.h"
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

// Global\Access_ISABUS.HTP.Method, waited for at most 100 ms.
class IsaBusMutex final : public BusLock {
public:
    IsaBusMutex();
    bool Acquire() override;
    void Release() override;

private:
    ScopedHandle m_mutex;
};

}  // namespace veltar::hardware
