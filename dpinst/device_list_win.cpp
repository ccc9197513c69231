#include "dpinst/device_list_win.h"

#include "common/registry_key_win.h"
#include "devices/device_ids_win.h"
#include "devices/setupapi_handles_win.h"

#include <windows.h>
#include <setupapi.h>

namespace {

std::wstring instance_id(HDEVINFO set, SP_DEVINFO_DATA& device) {
    std::vector<wchar_t> buffer(512, L'\0');
    DWORD required = 0;
    if (!SetupDiGetDeviceInstanceIdW(set, &device, buffer.data(), DWORD(buffer.size()), &required)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::wstring();
        buffer.assign(required + 1, L'\0');
        if (!SetupDiGetDeviceInstanceIdW(set, &device, buffer.data(), DWORD(buffer.size()), nullptr)) return std::wstring();
    }
    return buffer.data();
}

// The driver key of the device with this instance ID, opened for reading.
registry_key_c open_driver_key(const std::wstring& id) {
    device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!set) return registry_key_c();
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiOpenDeviceInfoW(set.get(), id.c_str(), nullptr, 0, &device)) return registry_key_c();
    HKEY key = SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    return registry_key_c(key == INVALID_HANDLE_VALUE ? nullptr : key);
}

}  // namespace

std::vector<installer_device_c> read_present_devices() {
    std::vector<installer_device_c> devices;
    device_info_set_c set(SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    if (!set) return devices;
    SP_DEVINFO_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &data); ++index) {
        installer_device_c device;
        device.instance_id = instance_id(set.get(), data);
        device.ids = read_device_ids(set.get(), data);
        if (device.instance_id.empty() || (device.ids.hardware_ids.empty() && device.ids.compatible_ids.empty()))
            continue;
        read_installed_driver(device);
        devices.push_back(std::move(device));
    }
    return devices;
}

void read_installed_driver(installer_device_c& device) {
    device.inf_name.clear();
    device.installed.reset();
    registry_key_c key = open_driver_key(device.instance_id);
    if (!key) return;
    device.inf_name = key.read_text(L"InfPath").value_or(L"");
    driver_version_c installed;
    if (parse_driver_date(key.read_text(L"DriverDate").value_or(L""), installed) &&
        parse_driver_version_number(key.read_text(L"DriverVersion").value_or(L""), installed))
        device.installed = installed;
}

std::wstring installed_inf_name(const std::wstring& instance_id) {
    registry_key_c key = open_driver_key(instance_id);
    return key ? key.read_text(L"InfPath").value_or(L"") : std::wstring();
}
