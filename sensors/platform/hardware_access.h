// The processor services the report reads: model-specific registers of the
// processor that runs the calling thread, the number of logical processors and
// the calling thread's affinity.
#pragma once

#include <cstdint>

namespace veltar {

class HardwareAccess {
public:
    virtual ~HardwareAccess() = default;

    // Reads a register of the current processor into its two 32-bit halves.
    virtual bool ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) = 0;
    virtual std::uint32_t ProcessorCount() = 0;
    // Sets the calling thread's processor mask; returns the previous mask, 0 on failure.
    virtual std::uintptr_t SetThreadAffinity(std::uintptr_t mask) = 0;
};

}  // namespace veltar
