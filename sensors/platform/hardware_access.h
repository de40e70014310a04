// The processor services the report reads: model-specific registers of the
// processor that runs the calling thread, the logical processors and their
// groups, and the calling thread's affinity.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sensors/temperature_limits.h"

namespace veltar {

// A thread's affinity within one processor group.
struct GroupAffinity {
    std::uint16_t group = 0;
    std::uintptr_t mask = 0;
};

// A memory module's temperature and the limits it declares.
struct MemoryTemperature {
    double celsius = 0;
    TemperatureLimits limits;
};

class HardwareAccess {
public:
    virtual ~HardwareAccess() = default;

    // Reads a register of the current processor into its two 32-bit halves.
    virtual bool ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) = 0;
    // The logical processors as the system information counts them: one group's.
    virtual std::uint32_t ProcessorCount() = 0;
    // The active processors of each processor group, in group order; empty where
    // the system does not say.
    virtual std::vector<std::uint32_t> ProcessorGroups() = 0;
    // Sets the calling thread's processor mask within its group; returns the
    // previous mask, 0 on failure.
    virtual std::uintptr_t SetThreadAffinity(std::uintptr_t mask) = 0;
    // Sets the calling thread's group and mask; the previous ones go to
    // previous. False on failure, when nothing changed.
    virtual bool SetThreadGroupAffinity(const GroupAffinity& affinity, GroupAffinity* previous) = 0;
    // The mainboard's temperature from its Super I/O chip, in degrees Celsius,
    // where the library reads one; nothing otherwise.
    virtual std::optional<double> BoardTemperature() = 0;
    // The memory modules' sensors in slot order, where the library reads them.
    virtual std::vector<MemoryTemperature> MemoryTemperatures() = 0;
};

}  // namespace veltar
