// In-memory graphics adapters from the sensor fixture's gpu lines, answering
// the graphics kernel's calls as Windows does: each enumeration opens every
// adapter afresh, and each handle stays open until it is closed. Serves the
// tests and benchmarks, and the stand-in gdi32 under Wine.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "sensors/platform/graphics_kernel.h"
#include "standins/fixture/sensor_fixture.h"

namespace veltar {

class MemoryGraphicsKernel : public GraphicsKernel {
public:
    explicit MemoryGraphicsKernel(std::vector<FixtureAdapter> adapters = {}) : m_adapters(std::move(adapters)) {}

    // The adapters that enumerations list from now on; open handles keep theirs.
    void SetAdapters(std::vector<FixtureAdapter> adapters) { m_adapters = std::move(adapters); }

    NtStatus EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) override;
    NtStatus QueryPerfData(std::uint32_t adapter, AdapterPerfData* data) override;
    NtStatus QueryPerfDataCaps(std::uint32_t adapter, AdapterPerfDataCaps* caps) override;
    NtStatus CloseAdapter(std::uint32_t adapter) override;

    std::uint64_t handedOut = 0;  // handles an enumeration returned
    std::uint64_t closed = 0;     // of those, closed
    std::vector<std::uint32_t> physicalIndexes;  // asked for by each query

private:
    std::vector<FixtureAdapter> m_adapters;
    std::map<std::uint32_t, FixtureAdapter> m_open;
    std::uint32_t m_lastHandle = 0x40000000;
};

}  // namespace veltar
