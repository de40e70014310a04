// In-memory processors whose registers come from a sensor fixture; the thread
// "runs" on the lowest processor of its affinity mask.
#pragma once

#include <bit>
#include <vector>

#include "sensors/platform/hardware_access.h"
#include "standins/fixture/sensor_fixture.h"

namespace veltar {

class MemoryHardwareAccess final : public HardwareAccess {
public:
    MemoryHardwareAccess(SensorFixture fixture, std::uint32_t processors)
        : m_fixture(std::move(fixture)), m_processors(processors) {}

    bool ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) override {
        const auto cpu = static_cast<std::uint32_t>(std::countr_zero(m_mask));
        reads.push_back({index, m_mask});
        const auto value = m_fixture.FindRegister(cpu, index);
        if (!value) return false;  // the halves stay as they were
        *low = value->low;
        *high = value->high;
        return true;
    }

    std::uint32_t ProcessorCount() override { return m_processors; }

    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override {
        if (failPinning || mask == 0) return 0;
        const std::uintptr_t previous = m_mask;
        m_mask = mask;
        return previous;
    }

    struct Read {
        std::uint32_t index;
        std::uintptr_t mask;  // the affinity in force when the register was read
    };
    std::vector<Read> reads;
    bool failPinning = false;
    static constexpr std::uintptr_t kAllProcessors = ~std::uintptr_t{0};
    std::uintptr_t mask() const { return m_mask; }

private:
    SensorFixture m_fixture;
    std::uint32_t m_processors;
    std::uintptr_t m_mask = kAllProcessors;
};

}  // namespace veltar
