// The calls that a management-service query makes, one virtual per platform
// call, so that the query is written once for the real COM service and for
// the in-memory one of the tests. Each handle is released with Release.
#pragma once

#include <string_view>

#include "sensors/platform/value_record.h"

namespace veltar {

struct WmiLocator;
struct WmiServices;
struct WmiEnumerator;
struct WmiObject;

class ManagementService {
public:
    virtual ~ManagementService() = default;

    virtual HRESULT InitializeCom() = 0;
    virtual void UninitializeCom() = 0;
    virtual HRESULT CreateLocator(WmiLocator** locator) = 0;
    virtual HRESULT ConnectServer(WmiLocator* locator, std::u16string_view nameSpace, WmiServices** services) = 0;
    virtual HRESULT SetProxyBlanket(WmiServices* services) = 0;
    // A forward-only, return-immediately query.
    virtual HRESULT ExecQuery(WmiServices* services, std::u16string_view language, std::u16string_view query,
                              WmiEnumerator** enumerator) = 0;
    // Waits without limit for at most one object; returned tells how many came.
    virtual HRESULT Next(WmiEnumerator* enumerator, WmiObject** object, ULONG* returned) = 0;
    // The object's non-system property names, a one-dimensional array of BSTR.
    virtual HRESULT GetNames(WmiObject* object, SAFEARRAY** names) = 0;
    virtual HRESULT Get(WmiObject* object, std::u16string_view name, VARIANT* value) = 0;

    virtual void Release(WmiLocator* locator) = 0;
    virtual void Release(WmiServices* services) = 0;
    virtual void Release(WmiEnumerator* enumerator) = 0;
    virtual void Release(WmiObject* object) = 0;
};

}  // namespace veltar
