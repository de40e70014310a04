// The management service through COM: the administrative locator and the
// IWbemServices, IEnumWbemClassObject and IWbemClassObject it leads to.
#pragma once

#include "sensors/platform/management_service.h"

namespace veltar {

class ComManagementService final : public ManagementService {
public:
    HRESULT InitializeCom() override;
    void UninitializeCom() override;
    HRESULT CreateLocator(WmiLocator** locator) override;
    HRESULT ConnectServer(WmiLocator* locator, std::u16string_view nameSpace, WmiServices** services) override;
    HRESULT SetProxyBlanket(WmiServices* services) override;
    HRESULT ExecQuery(WmiServices* services, std::u16string_view language, std::u16string_view query,
                      WmiEnumerator** enumerator) override;
    HRESULT Next(WmiEnumerator* enumerator, WmiObject** object, ULONG* returned) override;
    HRESULT GetNames(WmiObject* object, SAFEARRAY** names) override;
    HRESULT Get(WmiObject* object, std::u16string_view name, VARIANT* value) override;
    void Release(WmiLocator* locator) override;
    void Release(WmiServices* services) override;
    void Release(WmiEnumerator* enumerator) override;
    void Release(WmiObject* object) override;
};

}  // namespace veltar
