// The management service's connections that one thread keeps for as long as it
// builds reports: COM for the thread, one locator, and one connected, secured
// service per namespace, made on first use. Made, used and destroyed on that thread.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "sensors/platform/management_service.h"

namespace veltar {

class WmiConnections {
public:
    explicit WmiConnections(ManagementService& service);
    ~WmiConnections();
    WmiConnections(const WmiConnections&) = delete;
    WmiConnections& operator=(const WmiConnections&) = delete;

    ManagementService& service() const { return m_service; }
    // The namespace's kept service, or a new one connected now; the status of
    // the step that failed.
    HRESULT Connect(std::u16string_view nameSpace, WmiServices** services);
    // Releases the namespace's service, which was found broken.
    void Drop(std::u16string_view nameSpace);

private:
    ManagementService& m_service;
    bool m_comInitialized = false;
    WmiLocator* m_locator = nullptr;
    std::map<std::u16string, WmiServices*, std::less<>> m_services;
};

// A failure that says the connection itself is gone, not the call made on it.
bool IsBrokenConnection(HRESULT status);

}  // namespace veltar
