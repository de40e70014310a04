// The seam over the graphics kernel's adapter calls that gdi32 exports:
// D3DKMTEnumAdapters2, D3DKMTQueryAdapterInfo for the adapter's perf data, and
// D3DKMTCloseAdapter. Each answers an NTSTATUS. The records are Microsoft's, laid
// out as the Windows 10 SDK's d3dkmthk.h lays them out on both architectures.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltar {

using NtStatus = std::int32_t;
inline constexpr NtStatus kStatusSuccess = 0;
inline constexpr NtStatus kStatusBufferTooSmall = static_cast<NtStatus>(0xC0000023);
inline constexpr NtStatus kStatusInvalidParameter = static_cast<NtStatus>(0xC000000D);
inline constexpr NtStatus kStatusNotSupported = static_cast<NtStatus>(0xC00000BB);
inline constexpr NtStatus kStatusProcedureNotFound = static_cast<NtStatus>(0xC000007A);
constexpr bool NtSuccess(NtStatus status) { return status >= 0; }

// KMTQAITYPE_ADAPTERPERFDATA and KMTQAITYPE_ADAPTERPERFDATA_CAPS.
inline constexpr std::uint32_t kAdapterPerfDataQuery = 62;
inline constexpr std::uint32_t kAdapterPerfDataCapsQuery = 63;

// D3DKMT_ADAPTERINFO.
struct GraphicsAdapterInfo {
    std::uint32_t hAdapter = 0;
    std::uint32_t luidLowPart = 0;
    std::int32_t luidHighPart = 0;
    std::uint32_t numOfSources = 0;
    std::int32_t bPrecisePresentRegionsPreferred = 0;
};
static_assert(sizeof(GraphicsAdapterInfo) == 20);

// D3DKMT_ADAPTER_PERFDATA: its 64-bit fields are 8-byte aligned on x86 too.
struct AdapterPerfData {
    std::uint32_t physicalAdapterIndex = 0;
    alignas(8) std::uint64_t memoryFrequency = 0;
    std::uint64_t maxMemoryFrequency = 0;
    std::uint64_t maxMemoryFrequencyOC = 0;
    std::uint64_t memoryBandwidth = 0;
    std::uint64_t pcieBandwidth = 0;
    std::uint32_t fanRpm = 0;
    std::uint32_t power = 0;        // tenths of a percent
    std::uint32_t temperature = 0;  // tenths of a degree Celsius
    std::uint8_t powerStateOverride = 0;
};
static_assert(sizeof(AdapterPerfData) == 64);
static_assert(offsetof(AdapterPerfData, temperature) == 56);

// D3DKMT_ADAPTER_PERFDATACAPS: the limits the adapter declares.
struct AdapterPerfDataCaps {
    std::uint32_t physicalAdapterIndex = 0;
    alignas(8) std::uint64_t maxMemoryBandwidth = 0;
    std::uint64_t maxPcieBandwidth = 0;
    std::uint32_t maxFanRpm = 0;
    std::uint32_t temperatureMax = 0;      // tenths of a degree Celsius
    std::uint32_t temperatureWarning = 0;  // tenths of a degree Celsius
};
static_assert(sizeof(AdapterPerfDataCaps) == 40);
static_assert(offsetof(AdapterPerfDataCaps, temperatureMax) == 28);
static_assert(offsetof(AdapterPerfDataCaps, temperatureWarning) == 32);

// The arguments of the three calls: D3DKMT_ENUMADAPTERS2, D3DKMT_QUERYADAPTERINFO
// and D3DKMT_CLOSEADAPTER.
struct EnumAdapters2Argument {
    std::uint32_t NumAdapters = 0;
    GraphicsAdapterInfo* pAdapters = nullptr;
};
struct QueryAdapterInfoArgument {
    std::uint32_t hAdapter = 0;
    std::uint32_t Type = 0;
    void* pPrivateDriverData = nullptr;
    std::uint32_t PrivateDriverDataSize = 0;
};
struct CloseAdapterArgument {
    std::uint32_t hAdapter = 0;
};

class GraphicsKernel {
public:
    virtual ~GraphicsKernel() = default;

    // D3DKMTEnumAdapters2. Without an array, *count becomes the number of
    // adapters; with an array of *count records, it fills them, each adapter
    // opened, and sets *count to how many it filled, or answers
    // kStatusBufferTooSmall with the number needed.
    virtual NtStatus EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) = 0;
    // D3DKMTQueryAdapterInfo with kAdapterPerfDataQuery; data->physicalAdapterIndex says which.
    virtual NtStatus QueryPerfData(std::uint32_t adapter, AdapterPerfData* data) = 0;
    // D3DKMTQueryAdapterInfo with kAdapterPerfDataCapsQuery; caps->physicalAdapterIndex says which.
    virtual NtStatus QueryPerfDataCaps(std::uint32_t adapter, AdapterPerfDataCaps* caps) = 0;
    virtual NtStatus CloseAdapter(std::uint32_t adapter) = 0;
};

}  // namespace veltar
