// The management service over the sensor fixture: IWbemLocator, IWbemServices,
// IEnumWbemClassObject and IWbemClassObject, enough for "SELECT * FROM <class>".
#include <windows.h>
#include <wbemcli.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "sensors/platform/administrative_locator.h"
#include "standins/fixture/fixture_file.h"
#include "standins/fixture/fixture_variant.h"

namespace {

using veltar::FixtureClass;
using veltar::FixtureObject;
using veltar::SensorFixture;
using Fixture = std::shared_ptr<const SensorFixture>;

std::u16string_view View(const wchar_t* s) {
    return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}

// Reference counting and QueryInterface for an object with one interface.
template <typename Interface>
class ComObject : public Interface {
public:
    virtual ~ComObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_references;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> m_references{1};
};

class FixtureClassObject final : public ComObject<IWbemClassObject> {
public:
    FixtureClassObject(Fixture fixture, const FixtureObject* object) : m_fixture(std::move(fixture)), m_object(object) {}

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type, LONG* flavor) override {
        if (!name || !value) return WBEM_E_INVALID_PARAMETER;
        const auto* property = m_object->Find(View(name));
        if (!property) return WBEM_E_NOT_FOUND;
        if (type) *type = CIM_EMPTY;
        if (flavor) *flavor = WBEM_FLAVOR_ORIGIN_LOCAL;
        return veltar::ToVariant(property->value, value);
    }
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY** names) override {
        if (!names) return WBEM_E_INVALID_PARAMETER;
        return veltar::MakeNamesArray(*m_object, names);
    }

    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT*, CIMTYPE) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return WBEM_E_NOT_SUPPORTED; }

private:
    Fixture m_fixture;  // keeps m_object alive
    const FixtureObject* m_object;
};

// Hands out the objects of one class, one after another, then reports the end.
class FixtureEnumerator final : public ComObject<IEnumWbemClassObject> {
public:
    FixtureEnumerator(Fixture fixture, const FixtureClass* source) : m_fixture(std::move(fixture)), m_source(source) {}

    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        if (!objects || !returned) return WBEM_E_INVALID_PARAMETER;
        *returned = 0;
        // A stalled provider, played: the query waits before its first object.
        if (!m_stalled && m_source && m_source->stallMs) {
            m_stalled = true;
            Sleep(*m_source->stallMs);
        }
        while (*returned < count && m_source && m_next < m_source->objects.size())
            objects[(*returned)++] = new FixtureClassObject(m_fixture, &m_source->objects[m_next++]);
        return *returned == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        m_next = 0;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

private:
    Fixture m_fixture;
    const FixtureClass* m_source;  // none: a class the fixture does not name
    std::size_t m_next = 0;
    bool m_stalled = false;
};

// How many queries of each class this program has made, for the fixture's
// disconnect lines; by namespace and class, as the fixture names them.
std::mutex g_queriesLock;
std::map<std::pair<std::u16string, std::u16string>, std::uint32_t> g_classQueries;

std::uint32_t CountQuery(const FixtureClass& source) {
    const std::lock_guard lock(g_queriesLock);
    return ++g_classQueries[{source.nameSpace, source.name}];
}

// A connection to one namespace. Each query reads the fixture anew, so that a
// test can change it under a program that keeps its connections.
class FixtureServices final : public ComObject<IWbemServices> {
public:
    explicit FixtureServices(std::u16string nameSpace) : m_nameSpace(std::move(nameSpace)) {}

    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext*,
                                        IEnumWbemClassObject** enumerator) override {
        if (!enumerator) return WBEM_E_INVALID_PARAMETER;
        *enumerator = nullptr;
        if (m_gone) return veltar::kDisconnected;
        if (View(language) != u"WQL") return WBEM_E_INVALID_QUERY_TYPE;
        const auto className = veltar::SelectAllClass(View(query));
        if (!className) return WBEM_E_INVALID_QUERY;
        auto loaded = veltar::LoadFixtureFromEnvironment();
        if (!loaded) return WBEM_E_FAILED;
        const Fixture fixture = std::make_shared<const SensorFixture>(std::move(*loaded));
        const FixtureClass* source = fixture->FindClass(m_nameSpace, *className);
        if (source && source->DisconnectsAt(CountQuery(*source))) {
            m_gone = true;
            return veltar::kDisconnected;
        }
        *enumerator = new FixtureEnumerator(fixture, source);
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                            IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**,
                                        IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                    IEnumWbemClassObject**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                         IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                         IWbemClassObject**, IWbemCallResult**) override {
        return WBEM_E_NOT_SUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                              IWbemObjectSink*) override {
        return WBEM_E_NOT_SUPPORTED;
    }

private:
    std::u16string m_nameSpace;
    std::atomic<bool> m_gone{false};  // a disconnect line has taken it
};

class FixtureLocator final : public ComObject<IWbemLocator> {
public:
    // A fixture that cannot be read or parsed refuses every connection.
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR nameSpace, const BSTR, const BSTR, const BSTR, LONG,
                                            const BSTR, IWbemContext*, IWbemServices** services) override {
        if (!services) return WBEM_E_INVALID_PARAMETER;
        *services = nullptr;
        auto fixture = veltar::LoadFixtureFromEnvironment();
        if (!fixture) return WBEM_E_FAILED;
        if (!fixture->NamesNamespace(View(nameSpace))) return WBEM_E_INVALID_NAMESPACE;
        *services = new FixtureServices(std::u16string(View(nameSpace)));
        return WBEM_S_NO_ERROR;
    }
};

class LocatorFactory final : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* locator = new FixtureLocator;
        const HRESULT hr = locator->QueryInterface(iid, object);
        locator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != veltar::kAdministrativeLocator) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new LocatorFactory;
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

// The server stays loaded for the life of the process.
extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
