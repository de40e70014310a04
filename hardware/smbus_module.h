// PawnIO's SMBus modules on a handle of their own: SmbusI801 for Intel's
// chipsets and SmbusPIIX4 for AMD's, the memory logic's ports over the real
// driver. A transfer's data and its result each take an SMBus block's 34
// bytes, in five cells, whatever the protocol.
#pragma once

#include <windows.h>

#include <array>

#include "hardware/memory_modules.h"

namespace veltar::hardware {

struct SmbusModuleFile {
    const wchar_t* name;
    bool selectsPort;  // AMD's controller, whose modules sit on port 0
};

// Tried in this order; the driver refuses a module whose controller the chipset lacks.
inline constexpr std::array<SmbusModuleFile, 2> kSmbusModuleFiles{{{L"SmbusI801.bin", false},
                                                                   {L"SmbusPIIX4.bin", true}}};

inline constexpr std::size_t kSmbusTransferCells = 4 + 5;  // address, read, command, protocol, then the data
inline constexpr std::size_t kSmbusResultCells = 5;

class PawnIoSmbusPorts final : public SmbusPorts {
public:
    explicit PawnIoSmbusPorts(HANDLE device) : m_device(device) {}
    std::optional<std::uint16_t> Read(std::uint8_t address, std::uint8_t command, SmbusProtocol protocol) override;
    std::optional<std::uint64_t> SelectPort(std::int64_t port) override;

private:
    HANDLE m_device;
};

}  // namespace veltar::hardware
