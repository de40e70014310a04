#include "standins/memory/memory_graphics_kernel.h"

namespace veltar {

NtStatus MemoryGraphicsKernel::EnumAdapters(std::uint32_t* count, GraphicsAdapterInfo* adapters) {
    if (!count) return kStatusInvalidParameter;
    const auto listed = static_cast<std::uint32_t>(m_adapters.size());
    if (!adapters) {
        *count = listed;
        return kStatusSuccess;
    }
    if (*count < listed) {
        *count = listed;
        return kStatusBufferTooSmall;
    }
    for (std::uint32_t i = 0; i < listed; ++i) {
        const FixtureAdapter& adapter = m_adapters[i];
        const std::uint32_t handle = m_lastHandle += 0x40;
        m_open.emplace(handle, adapter);
        ++handedOut;
        adapters[i] = {handle, static_cast<std::uint32_t>(adapter.luid), static_cast<std::int32_t>(adapter.luid >> 32),
                       1, 0};
    }
    *count = listed;
    return kStatusSuccess;
}

NtStatus MemoryGraphicsKernel::QueryPerfData(std::uint32_t adapter, AdapterPerfData* data) {
    const auto open = m_open.find(adapter);
    if (open == m_open.end() || !data) return kStatusInvalidParameter;
    physicalIndexes.push_back(data->physicalAdapterIndex);
    if (data->physicalAdapterIndex != 0) return kStatusInvalidParameter;
    if (!NtSuccess(open->second.status)) return open->second.status;
    data->temperature = open->second.temperature;
    data->powerStateOverride = open->second.powerState;
    return kStatusSuccess;
}

// An adapter that declares no limits fails the query, as a driver without it does.
NtStatus MemoryGraphicsKernel::QueryPerfDataCaps(std::uint32_t adapter, AdapterPerfDataCaps* caps) {
    const auto open = m_open.find(adapter);
    if (open == m_open.end() || !caps || caps->physicalAdapterIndex != 0) return kStatusInvalidParameter;
    if (!open->second.declaresCaps) return kStatusNotSupported;
    caps->temperatureWarning = open->second.temperatureWarning;
    caps->temperatureMax = open->second.temperatureMax;
    return kStatusSuccess;
}

NtStatus MemoryGraphicsKernel::CloseAdapter(std::uint32_t adapter) {
    if (m_open.erase(adapter) == 0) return kStatusInvalidParameter;
    ++closed;
    return kStatusSuccess;
}

}  // namespace veltar
