#include "sensors/wmi_query.h"

#include <cstdio>

#include "sensors/array_bounds.h"
#include "sensors/format_variant.h"

namespace veltar {
namespace {

// Owns one handle of the service and releases it through the service.
template <typename Handle>
class Held {
public:
    explicit Held(ManagementService& service) : m_service(service) {}
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { Reset(); }

    Handle** Put() {
        Reset();
        return &m_handle;
    }
    Handle* Get() const { return m_handle; }
    void Reset() {
        if (m_handle) m_service.Release(m_handle);
        m_handle = nullptr;
    }

private:
    ManagementService& m_service;
    Handle* m_handle = nullptr;
};

class ValueHolder {
public:
    ValueHolder() { VariantInit(&m_value); }
    ValueHolder(const ValueHolder&) = delete;
    ValueHolder& operator=(const ValueHolder&) = delete;
    ~ValueHolder() { VariantClear(&m_value); }
    VARIANT* Get() { return &m_value; }

private:
    VARIANT m_value;
};

// Inserts the object's property names as keys with empty lists. Returns the
// number of names, 0 when none could be obtained.
std::uint32_t InsertNames(ManagementService& service, WmiObject* object, PropertyTable& table, HRESULT* status) {
    SAFEARRAY* names = nullptr;
    *status = service.GetNames(object, &names);
    if (FAILED(*status) || !names) return 0;
    const ArrayIndices indices = ReadArrayIndices(names);
    const std::uint32_t count = indices.boundsRead ? indices.count : 0;
    for (std::uint32_t k = 0; k < count; ++k) {
        LONG index = indices.At(k);
        BSTR name = nullptr;
        if (SUCCEEDED(SafeArrayGetElement(names, &index, &name)) && name) table.try_emplace(std::u16string(AsText(name)));
        SysFreeString(name);
    }
    SafeArrayDestroy(names);
    return count;
}

// The text of one value; a stored text ends at its first NUL.
std::u16string ValueText(const VARIANT& value) {
    std::u16string text;
    if (value.vt == VT_BSTR) text = BstrView(value.bstrVal);
    else if (value.vt != VT_NULL) FormatVariant(text, value);
    // A byte array's text is hex digits and punctuation: only other texts can hold a NUL.
    if (value.vt == (VT_ARRAY | VT_UI1)) return text;
    const std::size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) text.resize(nul);
    return text;
}

// One run of the query on the namespace's kept connection; broken says
// whether a failure was the connection's own.
HRESULT QueryOnce(PropertyTable& table, std::u16string_view query, std::u16string_view nameSpace,
                  std::u16string_view language, WmiConnections& connections, bool* broken) {
    ManagementService& service = connections.service();
    Held<WmiEnumerator> enumerator(service);
    ValueHolder holder;
    *broken = false;

    WmiServices* services = nullptr;
    HRESULT hr = connections.Connect(nameSpace, &services);
    if (FAILED(hr)) return hr;
    hr = service.ExecQuery(services, language, query, enumerator.Put());
    if (FAILED(hr)) {
        *broken = IsBrokenConnection(hr);
        return hr;
    }

    std::uint32_t nameCount = 0;
    for (;;) {
        Held<WmiObject> object(service);
        ULONG returned = 0;
        hr = service.Next(enumerator.Get(), object.Put(), &returned);
        if (FAILED(hr)) *broken = IsBrokenConnection(hr);
        if (FAILED(hr) || returned == 0 || !object.Get()) break;
        if (nameCount == 0) nameCount = InsertNames(service, object.Get(), table, &hr);
        for (auto& [name, values] : table) {
            hr = service.Get(object.Get(), name, holder.Get());
            values.push_back(ValueText(*holder.Get()));
            VariantClear(holder.Get());
            if (FAILED(hr))
                std::printf("Failed to get the data from the query  Error code = 0x%X\n", static_cast<unsigned>(hr));
        }
    }
    return hr;
}

}  // namespace

// A connection found broken is dropped and made anew, and the query run again
// from the table as it was; a second failure in a row is the query's result,
// and the next query connects afresh.
HRESULT QueryWmiProperties(PropertyTable& table, std::u16string_view query, std::u16string_view nameSpace,
                           std::u16string_view language, WmiConnections& connections) {
    const PropertyTable before = table;
    bool broken = false;
    HRESULT hr = QueryOnce(table, query, nameSpace, language, connections, &broken);
    if (!broken) return hr;
    connections.Drop(nameSpace);
    table = before;
    hr = QueryOnce(table, query, nameSpace, language, connections, &broken);
    if (broken) connections.Drop(nameSpace);
    return hr;
}

}  // namespace veltar
