#include "common/registry_key_win.h"

namespace {

using create_transacted_t = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, LPWSTR, DWORD, REGSAM, const LPSECURITY_ATTRIBUTES,
                                          PHKEY, LPDWORD, HANDLE, PVOID);

create_transacted_t transacted_creation() {
    HMODULE advapi = GetModuleHandleW(L"Advapi32.dll");
    if (!advapi) advapi = LoadLibraryW(L"Advapi32.dll");
    if (!advapi) return nullptr;
    return reinterpret_cast<create_transacted_t>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "RegCreateKeyTransactedW")));
}

}  // namespace

LONG registry_key_c::open(HKEY parent, const wchar_t* path, REGSAM access) {
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(parent, path, 0, access, &key);
    if (status != ERROR_SUCCESS) return status;
    reset(key);
    return ERROR_SUCCESS;
}

LONG registry_key_c::create(HKEY parent, const wchar_t* path, REGSAM access, bool* existed, HANDLE transaction) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    LONG status;
    if (transaction) {
        create_transacted_t create_transacted = transacted_creation();
        if (!create_transacted) return ERROR_CALL_NOT_IMPLEMENTED;
        status = create_transacted(parent, path, 0, nullptr, 0, access, nullptr, &key, &disposition, transaction,
                                   nullptr);
    } else {
        status = RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &key, &disposition);
    }
    if (status != ERROR_SUCCESS) return status;
    reset(key);
    if (existed) *existed = disposition == REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

std::optional<registry_value_c> registry_key_c::read_value(const wchar_t* name) const {
    registry_value_c value;
    DWORD size = 0;
    LONG status = RegQueryValueExW(get(), name, nullptr, &value.type, nullptr, &size);
    // The value may grow between the calls: read again with the size it has then.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
        if (attempt == 3) return std::nullopt;
        value.bytes.resize(size);
        status = RegQueryValueExW(get(), name, nullptr, &value.type, value.bytes.empty() ? nullptr : value.bytes.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.bytes.resize(size);
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> registry_key_c::read_text(const wchar_t* name, text_types_c types) const {
    std::optional<registry_value_c> value = read_value(name);
    if (!value) return std::nullopt;
    if (value->type != REG_SZ && (types == text_types_c::plain || value->type != REG_EXPAND_SZ)) return std::nullopt;
    std::wstring text;
    for (std::size_t i = 0; i + 1 < value->bytes.size(); i += 2) {
        wchar_t unit = wchar_t(value->bytes[i] | value->bytes[i + 1] << 8);
        if (unit == L'\0') break;
        text += unit;
    }
    return text;
}

std::optional<std::uint32_t> registry_key_c::read_number(const wchar_t* name) const {
    DWORD number = 0, size = sizeof number;
    if (RegQueryValueExW(get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return number;
}

LONG registry_key_c::write_text(const wchar_t* name, std::wstring_view text) const {
    std::wstring terminated(text);
    return write_value(name, REG_SZ, terminated.c_str(), DWORD((terminated.size() + 1) * sizeof(wchar_t)));
}

LONG registry_key_c::write_number(const wchar_t* name, std::uint32_t number) const {
    DWORD value = number;
    return write_value(name, REG_DWORD, &value, sizeof value);
}

LONG registry_key_c::write_value(const wchar_t* name, DWORD type, const void* data, DWORD size) const {
    return RegSetValueExW(get(), name, 0, type, static_cast<const BYTE*>(data), size);
}

LONG registry_key_c::delete_value(const wchar_t* name) const {
    LONG status = RegDeleteValueW(get(), name);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LONG registry_key_c::delete_key(HKEY parent, const wchar_t* path) {
    LONG status = RegDeleteTreeW(parent, path);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) status = RegDeleteKeyW(parent, path);
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}
