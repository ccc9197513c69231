#include "system/wmi_facts.h"

#include "common/com_ptr_win.h"

#include <objbase.h>
#include <wbemidl.h>

#include <vector>

namespace {

system_facts_c sidebar_facts;

bool fill_once(std::wstring& field, const std::wstring& value) {
    if (!field.empty()) return false;
    field = value;
    return true;
}

// Runs the query and calls visit(object) for each result object until visit returns false.
template <typename Visitor>
int for_each_result(IWbemServices* services, const wchar_t* query, Visitor visit) {
    bstr_c language(L"WQL");
    bstr_c text(query);
    com_ptr_c<IEnumWbemClassObject> results;
    HRESULT hr = services->ExecQuery(language.get(), text.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                     nullptr, results.put());
    if (FAILED(hr) || !results) return -1;
    for (;;) {
        com_ptr_c<IWbemClassObject> object;
        ULONG returned = 0;
        hr = results->Next(LONG(WBEM_INFINITE), 1, object.put(), &returned);
        if (hr != WBEM_S_NO_ERROR || returned == 0) break;
        if (!visit(object.get())) break;
    }
    return 0;
}

// Reads one property as text; false when the read fails or the value is null.
bool read_text_property(IWbemClassObject* object, const wchar_t* property, std::wstring& out) {
    variant_c value;
    if (FAILED(object->Get(property, 0, value.put(), nullptr, nullptr))) return false;
    const VARIANT& raw = value.get();
    if (raw.vt == VT_NULL || raw.vt == VT_EMPTY) return false;
    if (raw.vt == VT_BSTR) {
        out = raw.bstrVal ? std::wstring(raw.bstrVal, SysStringLen(raw.bstrVal)) : std::wstring();
        return true;
    }
    variant_c converted;
    if (FAILED(VariantChangeType(converted.put(), value.pointer(), 0, VT_BSTR))) return false;
    BSTR text = converted.get().bstrVal;
    out = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    return true;
}

void collect_os_text(IWbemServices* services) {
    std::wstring caption, build, csd;
    bool ran = false;
    for_each_result(services, L"SELECT * FROM Win32_OperatingSystem", [&](IWbemClassObject* object) {
        if (!read_text_property(object, L"Caption", caption)) return true;
        ran = true;
        read_text_property(object, L"BuildNumber", build);
        read_text_property(object, L"CSDVersion", csd);
        return false;
    });
    if (ran) fill_once(sidebar_facts.operating_system, compose_os_text(caption, build, csd));
}

void collect_memory_text(IWbemServices* services) {
    std::vector<std::wstring> capacities;
    int result = for_each_result(services, L"SELECT * FROM Win32_PhysicalMemory", [&](IWbemClassObject* object) {
        std::wstring capacity;
        if (read_text_property(object, L"Capacity", capacity)) capacities.push_back(capacity);
        return true;
    });
    if (result == 0) fill_once(sidebar_facts.memory, compose_memory_text(capacities));
}

void collect_first(IWbemServices* services, const wchar_t* query, const wchar_t* property, std::wstring& field) {
    if (!field.empty()) return;
    wmi_query_first(services, query, property, field);
}

}  // namespace

const system_facts_c& system_facts() { return sidebar_facts; }

int wmi_query_first(IWbemServices* services, const wchar_t* query, const wchar_t* property, std::wstring& out) {
    return for_each_result(services, query, [&](IWbemClassObject* object) {
        std::wstring value;
        if (!read_text_property(object, property, value)) return true;
        out = value;
        return false;
    });
}

bool collect_wmi_facts() {
    HRESULT hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(hr)) return false;

    com_ptr_c<IWbemLocator> locator;
    hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.put_void());
    if (FAILED(hr)) return false;

    com_ptr_c<IWbemServices> services;
    bstr_c name_space(L"ROOT\\CIMV2");
    hr = locator->ConnectServer(name_space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
    if (FAILED(hr)) return false;

    hr = CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                           RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) return false;
    sidebar_facts.wmi_reached = true;

    collect_first(services.get(), L"SELECT * FROM Win32_Processor", L"name", sidebar_facts.processor);
    collect_os_text(services.get());
    collect_memory_text(services.get());
    collect_first(services.get(), L"SELECT * FROM Win32_DiskDrive", L"Model", sidebar_facts.storage);
    collect_first(services.get(), L"SELECT * FROM Win32_DisplayConfiguration", L"Caption", sidebar_facts.display);
    collect_first(services.get(), L"SELECT * FROM Win32_SoundDevice", L"Description", sidebar_facts.sound);
    collect_first(services.get(), L"SELECT * FROM Win32_ComputerSystem", L"Model", sidebar_facts.model);
    return true;
}
