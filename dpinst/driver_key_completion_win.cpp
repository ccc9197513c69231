#include "dpinst/driver_key_completion_win.h"

#include "common/registry_key_win.h"
#include "devices/setupapi_handles_win.h"

#include <windows.h>
#include <setupapi.h>

#include <cwctype>

namespace {

bool set_text(const registry_key_c& key, const wchar_t* name, const std::wstring& text) {
    return key.read_text(name) == text || key.write_text(name, text) == ERROR_SUCCESS;
}

bool set_date_data(const registry_key_c& key, const driver_version_c& version) {
    SYSTEMTIME date{};
    date.wYear = WORD(version.year);
    date.wMonth = WORD(version.month);
    date.wDay = WORD(version.day);
    FILETIME time{};
    if (!SystemTimeToFileTime(&date, &time)) return false;
    return key.write_value(L"DriverDateData", REG_BINARY, &time, sizeof time) == ERROR_SUCCESS;
}

}  // namespace

bool complete_driver_key(const std::wstring& instance_id, const package_facts_c& facts, const inf_model_line_c& line,
                         const std::wstring& matched_id) {
    device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!set) return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiOpenDeviceInfoW(set.get(), instance_id.c_str(), nullptr, 0, &device)) return false;
    HKEY raw = SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ | KEY_WRITE);
    if (raw == INVALID_HANDLE_VALUE) return false;
    registry_key_c key(raw);
    std::wstring matching = matched_id;
    for (wchar_t& c : matching) c = wchar_t(std::towlower(std::wint_t(c)));
    return set_text(key, L"DriverVersion", driver_version_text(facts.version)) &&
           set_text(key, L"DriverDate", driver_key_date(facts.version)) && set_date_data(key, facts.version) &&
           set_text(key, L"ProviderName", facts.provider) && set_text(key, L"DriverDesc", line.description) &&
           set_text(key, L"MatchingDeviceId", matching);
}
