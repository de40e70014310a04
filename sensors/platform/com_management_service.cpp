#include "sensors/platform/com_management_service.h"

#include <objbase.h>
#include <wbemcli.h>

#include <string>

#include "sensors/platform/administrative_locator.h"
namespace veltar {
namespace {

IWbemLocator* Com(WmiLocator* p) { return reinterpret_cast<IWbemLocator*>(p); }
IWbemServices* Com(WmiServices* p) { return reinterpret_cast<IWbemServices*>(p); }
IEnumWbemClassObject* Com(WmiEnumerator* p) { return reinterpret_cast<IEnumWbemClassObject*>(p); }
IWbemClassObject* Com(WmiObject* p) { return reinterpret_cast<IWbemClassObject*>(p); }

// A BSTR owned for the span of one call.
class ScopedBstr {
public:
    explicit ScopedBstr(std::u16string_view text) : m_text(AllocBstr(text)) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(m_text); }
    BSTR get() const { return m_text; }

private:
    BSTR m_text;
};

}  // namespace

HRESULT ComManagementService::InitializeCom() { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }

void ComManagementService::UninitializeCom() { CoUninitialize(); }

HRESULT ComManagementService::CreateLocator(WmiLocator** locator) {
    IWbemLocator* p = nullptr;
    const HRESULT hr = CoCreateInstance(kAdministrativeLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                        __uuidof(IWbemLocator), reinterpret_cast<void**>(&p));
    *locator = reinterpret_cast<WmiLocator*>(p);
    return hr;
}

HRESULT ComManagementService::ConnectServer(WmiLocator* locator, std::u16string_view nameSpace,
                                            WmiServices** services) {
    const ScopedBstr path(nameSpace);
    if (!path.get()) return E_OUTOFMEMORY;
    IWbemServices* p = nullptr;
    const HRESULT hr = Com(locator)->ConnectServer(path.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &p);
    *services = reinterpret_cast<WmiServices*>(p);
    return hr;
}

HRESULT ComManagementService::SetProxyBlanket(WmiServices* services) {
    return CoSetProxyBlanket(Com(services), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

HRESULT ComManagementService::ExecQuery(WmiServices* services, std::u16string_view language,
                                        std::u16string_view query, WmiEnumerator** enumerator) {
    const ScopedBstr languageText(language);
    const ScopedBstr queryText(query);
    if (!languageText.get() || !queryText.get()) return E_OUTOFMEMORY;
    IEnumWbemClassObject* p = nullptr;
    const HRESULT hr = Com(services)->ExecQuery(languageText.get(), queryText.get(),
                                                WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY, nullptr, &p);
    *enumerator = reinterpret_cast<WmiEnumerator*>(p);
    return hr;
}

HRESULT ComManagementService::Next(WmiEnumerator* enumerator, WmiObject** object, ULONG* returned) {
    IWbemClassObject* p = nullptr;
    const HRESULT hr = Com(enumerator)->Next(WBEM_INFINITE, 1, &p, returned);
    *object = reinterpret_cast<WmiObject*>(p);
    return hr;
}

HRESULT ComManagementService::GetNames(WmiObject* object, SAFEARRAY** names) {
    return Com(object)->GetNames(nullptr, WBEM_FLAG_NONSYSTEM_ONLY, nullptr, names);
}

HRESULT ComManagementService::Get(WmiObject* object, std::u16string_view name, VARIANT* value) {
    const std::u16string terminated(name);
    return Com(object)->Get(AsOle(terminated.c_str()), 0, value, nullptr, nullptr);
}

void ComManagementService::Release(WmiLocator* locator) { Com(locator)->Release(); }
void ComManagementService::Release(WmiServices* services) { Com(services)->Release(); }
void ComManagementService::Release(WmiEnumerator* enumerator) { Com(enumerator)->Release(); }
void ComManagementService::Release(WmiObject* object) { Com(object)->Release(); }

}  // namespace veltar
