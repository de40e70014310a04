#include "sensors/wmi_connections.h"

#include <algorithm>
#include <cstdint>

namespace veltar {
namespace {

constexpr std::uint32_t kBrokenConnection[] = {
    0x80010108u,  // RPC_E_DISCONNECTED
    0x80010007u,  // RPC_E_SERVER_DIED
    0x80010012u,  // RPC_E_SERVER_DIED_DNE
    0x800706BAu,  // RPC_S_SERVER_UNAVAILABLE
    0x800706BEu,  // RPC_S_CALL_FAILED
    0x800706BFu,  // RPC_S_CALL_FAILED_DNE
    0x800401FDu,  // CO_E_OBJNOTCONNECTED
    0x80041015u,  // WBEM_E_TRANSPORT_FAILURE
    0x80041033u,  // WBEM_E_SHUTTING_DOWN
};

}  // namespace

bool IsBrokenConnection(HRESULT status) {
    return std::ranges::find(kBrokenConnection, static_cast<std::uint32_t>(status)) != std::end(kBrokenConnection);
}

// COM is uninitialised only after an initialisation of our own: undoing the
// caller's would tear down its set-up.
WmiConnections::WmiConnections(ManagementService& service) : m_service(service) {
    const HRESULT hr = service.InitializeCom();
    m_comInitialized = hr == S_OK || hr == S_FALSE;
}

WmiConnections::~WmiConnections() {
    for (const auto& [name, services] : m_services) m_service.Release(services);
    if (m_locator) m_service.Release(m_locator);
    if (m_comInitialized) m_service.UninitializeCom();
}

HRESULT WmiConnections::Connect(std::u16string_view nameSpace, WmiServices** services) {
    *services = nullptr;
    if (const auto kept = m_services.find(nameSpace); kept != m_services.end()) {
        *services = kept->second;
        return S_OK;
    }
    if (!m_locator) {
        const HRESULT hr = m_service.CreateLocator(&m_locator);
        if (FAILED(hr)) {
            if (m_locator) m_service.Release(m_locator);
            m_locator = nullptr;
            return hr;
        }
    }
    WmiServices* connected = nullptr;
    const HRESULT hr = m_service.ConnectServer(m_locator, nameSpace, &connected);
    if (FAILED(hr)) {
        if (connected) m_service.Release(connected);
        return hr;
    }
    m_service.SetProxyBlanket(connected);
    m_services.emplace(std::u16string(nameSpace), connected);
    *services = connected;
    return S_OK;
}

void WmiConnections::Drop(std::u16string_view nameSpace) {
    const auto kept = m_services.find(nameSpace);
    if (kept == m_services.end()) return;
    m_service.Release(kept->second);
    m_services.erase(kept);
}

}  // namespace veltar
