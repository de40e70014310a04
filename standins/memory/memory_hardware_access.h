// In-memory processors whose registers come from a sensor fixture, in one
// group or several; the thread "runs" on the lowest processor of its affinity
// mask, in its group, and processors count on across groups as the fixture
// numbers them.
#pragma once

#include <bit>
#include <numeric>
#include <optional>
#include <vector>

#include "sensors/platform/hardware_access.h"
#include "standins/fixture/sensor_fixture.h"

namespace veltar {

class MemoryHardwareAccess final : public HardwareAccess {
public:
    // One group of that many processors, as a machine of up to 64 has.
    MemoryHardwareAccess(SensorFixture fixture, std::uint32_t processors)
        : m_fixture(std::move(fixture)), m_groups{processors} {}
    // Processor groups of those sizes.
    MemoryHardwareAccess(SensorFixture fixture, std::vector<std::uint32_t> groups)
        : m_fixture(std::move(fixture)), m_groups(std::move(groups)) {}

    bool ReadMsr(std::uint32_t index, std::uint32_t* low, std::uint32_t* high) override {
        const std::uint32_t before = std::accumulate(m_groups.begin(), m_groups.begin() + m_affinity.group, 0u);
        const auto cpu = before + static_cast<std::uint32_t>(std::countr_zero(m_affinity.mask));
        reads.push_back({index, m_affinity.mask, m_affinity.group});
        const auto value = m_fixture.FindRegister(cpu, index);
        if (!value) return false;  // the halves stay as they were
        *low = value->low;
        *high = value->high;
        return true;
    }

    // A 2-group machine's system information counts the caller's group only.
    std::uint32_t ProcessorCount() override { return m_groups.front(); }
    std::vector<std::uint32_t> ProcessorGroups() override { return m_groups; }

    std::optional<double> BoardTemperature() override { return board; }
    std::vector<MemoryTemperature> MemoryTemperatures() override { return memory; }

    std::uintptr_t SetThreadAffinity(std::uintptr_t mask) override {
        ++maskCalls;
        if (failPinning || mask == 0) return 0;
        const std::uintptr_t previous = m_affinity.mask;
        m_affinity.mask = mask;
        return previous;
    }

    bool SetThreadGroupAffinity(const GroupAffinity& affinity, GroupAffinity* previous) override {
        if (failPinning || affinity.mask == 0 || affinity.group >= m_groups.size()) return false;
        *previous = m_affinity;
        m_affinity = affinity;
        return true;
    }

    struct Read {
        std::uint32_t index;
        std::uintptr_t mask;  // the affinity in force when the register was read
        std::uint16_t group = 0;
    };
    std::vector<Read> reads;
    bool failPinning = false;
    std::optional<double> board;  // what the Super I/O chip reads, where the library has one
    std::vector<MemoryTemperature> memory;  // the memory modules' sensors, where the library reads them
    int maskCalls = 0;  // calls of SetThreadAffinity
    static constexpr std::uintptr_t kAllProcessors = ~std::uintptr_t{0};
    std::uintptr_t mask() const { return m_affinity.mask; }
    GroupAffinity affinity() const { return m_affinity; }

private:
    SensorFixture m_fixture;
    std::vector<std::uint32_t> m_groups;
    GroupAffinity m_affinity{0, kAllProcessors};
};

}  // namespace veltar
