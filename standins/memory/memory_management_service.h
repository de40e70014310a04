// An in-memory management service that serves the classes of a sensor fixture
// and can be told to fail any step. It counts what it hands out, so tests can
// check that everything is released.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sensors/platform/management_service.h"
#include "standins/fixture/sensor_fixture.h"

namespace veltar {

struct MemoryServiceFaults {
    HRESULT initializeCom = S_OK;
    HRESULT createLocator = S_OK;
    HRESULT connect = S_OK;
    HRESULT execQuery = S_OK;
    std::set<std::size_t> namesFailOn;  // positions of returned objects, from 0
    std::set<std::pair<std::size_t, std::u16string>> readsFailOn;  // (object position, property)
    LONG namesLowerBound = 0;  // where each object's array of property names starts
};

class MemoryManagementService final : public ManagementService {
public:
    explicit MemoryManagementService(SensorFixture fixture, MemoryServiceFaults faults = {});

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

    std::vector<std::u16string> queries;  // every query executed, in order
    std::vector<std::u16string> connections;  // the namespace of every connection made, in order
    int comDepth = 0;                     // initialisations not yet balanced
    int liveHandles = 0;                  // handed out and not yet released

private:
    SensorFixture m_fixture;
    MemoryServiceFaults m_faults;
    std::map<const FixtureClass*, std::uint32_t> m_classQueries;  // for the classes' disconnect lines
};

}  // namespace veltar
