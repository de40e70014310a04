#include "standins/memory/memory_management_service.h"

#include "standins/fixture/fixture_variant.h"

namespace veltar {

constexpr HRESULT kInvalidNamespace = static_cast<HRESULT>(0x8004100Eu);
constexpr HRESULT kInvalidQuery = static_cast<HRESULT>(0x80041017u);
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80041002u);

struct WmiLocator {};
struct WmiServices {
    std::u16string nameSpace;
    bool gone = false;  // a disconnect line has taken it
};
struct WmiEnumerator {
    const FixtureClass* source = nullptr;
    std::size_t next = 0;
};
struct WmiObject {
    const FixtureObject* source = nullptr;
    std::size_t position = 0;
};

MemoryManagementService::MemoryManagementService(SensorFixture fixture, MemoryServiceFaults faults)
    : m_fixture(std::move(fixture)), m_faults(std::move(faults)) {}

HRESULT MemoryManagementService::InitializeCom() {
    if (SUCCEEDED(m_faults.initializeCom)) ++comDepth;
    return m_faults.initializeCom;
}

void MemoryManagementService::UninitializeCom() { --comDepth; }

HRESULT MemoryManagementService::CreateLocator(WmiLocator** locator) {
    *locator = nullptr;
    if (FAILED(m_faults.createLocator)) return m_faults.createLocator;
    *locator = new WmiLocator;
    ++liveHandles;
    return S_OK;
}

HRESULT MemoryManagementService::ConnectServer(WmiLocator*, std::u16string_view nameSpace, WmiServices** services) {
    *services = nullptr;
    if (FAILED(m_faults.connect)) return m_faults.connect;
    if (!m_fixture.NamesNamespace(nameSpace)) return kInvalidNamespace;
    *services = new WmiServices{std::u16string(nameSpace)};
    connections.emplace_back(nameSpace);
    ++liveHandles;
    return S_OK;
}

HRESULT MemoryManagementService::SetProxyBlanket(WmiServices*) { return S_OK; }

HRESULT MemoryManagementService::ExecQuery(WmiServices* services, std::u16string_view language,
                                           std::u16string_view query, WmiEnumerator** enumerator) {
    *enumerator = nullptr;
    queries.emplace_back(query);
    if (FAILED(m_faults.execQuery)) return m_faults.execQuery;
    if (services->gone) return kDisconnected;
    const auto className = SelectAllClass(query);
    if (language != u"WQL" || !className) return kInvalidQuery;
    const FixtureClass* source = m_fixture.FindClass(services->nameSpace, *className);
    if (source && source->DisconnectsAt(++m_classQueries[source])) {
        services->gone = true;
        return kDisconnected;
    }
    *enumerator = new WmiEnumerator{source, 0};
    ++liveHandles;
    return S_OK;
}

HRESULT MemoryManagementService::Next(WmiEnumerator* enumerator, WmiObject** object, ULONG* returned) {
    *object = nullptr;
    *returned = 0;
    if (!enumerator->source || enumerator->next >= enumerator->source->objects.size()) return S_FALSE;
    *object = new WmiObject{&enumerator->source->objects[enumerator->next], enumerator->next};
    ++enumerator->next;
    ++liveHandles;
    *returned = 1;
    return S_OK;
}

HRESULT MemoryManagementService::GetNames(WmiObject* object, SAFEARRAY** names) {
    *names = nullptr;
    if (m_faults.namesFailOn.contains(object->position)) return E_FAIL;
    return MakeNamesArray(*object->source, names, m_faults.namesLowerBound);
}

HRESULT MemoryManagementService::Get(WmiObject* object, std::u16string_view name, VARIANT* value) {
    if (m_faults.readsFailOn.contains({object->position, std::u16string(name)})) return E_FAIL;
    const FixtureProperty* property = object->source->Find(name);
    if (!property) return kNotFound;
    return ToVariant(property->value, value);
}

void MemoryManagementService::Release(WmiLocator* locator) {
    delete locator;
    --liveHandles;
}

void MemoryManagementService::Release(WmiServices* services) {
    delete services;
    --liveHandles;
}

void MemoryManagementService::Release(WmiEnumerator* enumerator) {
    delete enumerator;
    --liveHandles;
}

void MemoryManagementService::Release(WmiObject* object) {
    delete object;
    --liveHandles;
}

}  // namespace veltar
