// The processors through WinRing0.dll and kernel32.
#pragma once

#include "sensors/platform/hardware_access.h"

namespace veltar {

class WinRing0HardwareAccess final : public HardwareAccess {
public:
    bool ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) override;
    std::uint32_t ProcessorCount() override;
    std::vector<std::uint32_t> ProcessorGroups() override;
    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override;
    bool SetThreadGroupAffinity(const GroupAffinity& affinity, GroupAffinity* previous) override;
    std::optional<double> BoardTemperature() override;
    std::vector<MemoryTemperature> MemoryTemperatures() override;
};

}  // namespace veltar
