#include "tests/tools/simulated_pc/profile_registration_win.h"

#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "devices/device_record.h"
#include "devices/setupapi_handles_win.h"

#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t class_root[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\";
const wchar_t enum_root[] = L"SYSTEM\\CurrentControlSet\\Enum\\";

void report(const char* what, const std::wstring& subject, DWORD error) {
    std::fprintf(stderr, "simulated-pc: %s %s failed (error %lu)\n", what, wide_to_utf8(subject).c_str(),
                 static_cast<unsigned long>(error));
}

bool register_class(const profile_class_c& entry) {
    registry_key_c key;
    std::wstring path = std::wstring(class_root) + entry.guid;
    LONG status = key.create(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE);
    if (status != ERROR_SUCCESS) {
        report("creating class", entry.guid, DWORD(status));
        return false;
    }
    key.write_text(nullptr, entry.description);
    if (!entry.name.empty()) key.write_text(L"Class", entry.name);
    return true;
}

bool set_property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD code, const std::wstring& raw) {
    return SetupDiSetDeviceRegistryPropertyW(set, &device, code, reinterpret_cast<const BYTE*>(raw.data()),
                                             DWORD(raw.size() * sizeof(wchar_t))) != FALSE;
}

bool write_driver_key(HDEVINFO set, SP_DEVINFO_DATA& device, const profile_driver_c& driver) {
    HKEY raw = SetupDiCreateDevRegKeyW(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, nullptr, nullptr);
    if (raw == INVALID_HANDLE_VALUE || !raw) return false;
    registry_key_c key(raw);
    for (const auto& [name, text] : driver.text_values) key.write_text(name.c_str(), text);
    for (const auto& [name, number] : driver.number_values) key.write_number(name.c_str(), number);
    return true;
}

// Values the device's own key holds that SetupAPI offers no setter for.
void adjust_device_key(const profile_device_c& entry) {
    registry_key_c key;
    std::wstring path = std::wstring(enum_root) + entry.instance_id;
    if (key.open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    if (entry.class_name)
        key.write_text(L"Class", *entry.class_name);
    else
        key.delete_value(L"Class");
    // Wine lists only devices whose key has a class GUID; Windows lists a device that no driver
    // has claimed with the null class GUID, which is how profiles describe it.
    class_guid_c guid;
    if (entry.class_guid && class_guid_c::parse(*entry.class_guid, guid))
        key.write_text(L"ClassGUID", guid.text());
    else
        key.delete_value(L"ClassGUID");
}

bool register_device(const profile_device_c& entry) {
    class_guid_c parsed;
    GUID class_guid{};
    if (entry.class_guid && class_guid_c::parse(*entry.class_guid, parsed)) {
        class_guid.Data1 = parsed.data1;
        class_guid.Data2 = parsed.data2;
        class_guid.Data3 = parsed.data3;
        for (int i = 0; i < 8; ++i) class_guid.Data4[i] = parsed.data4[i];
    }
    device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!set) {
        report("creating a device list for", entry.instance_id, GetLastError());
        return false;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    const wchar_t* description = entry.description ? entry.description->c_str() : nullptr;
    if (!SetupDiCreateDeviceInfoW(set.get(), entry.instance_id.c_str(), &class_guid, description, nullptr, 0, &device)) {
        // Registering a profile again updates the devices it registered before.
        if (GetLastError() != DWORD(ERROR_DEVINST_ALREADY_EXISTS) ||
            !SetupDiOpenDeviceInfoW(set.get(), entry.instance_id.c_str(), nullptr, 0, &device)) {
            report("creating device", entry.instance_id, GetLastError());
            return false;
        }
    } else if (!SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr)) {
        report("registering device", entry.instance_id, GetLastError());
        return false;
    }
    if (entry.description) set_property(set.get(), device, SPDRP_DEVICEDESC, *entry.description + L'\0');
    if (entry.friendly_name) set_property(set.get(), device, SPDRP_FRIENDLYNAME, *entry.friendly_name + L'\0');
    if (entry.hardware_ids) set_property(set.get(), device, SPDRP_HARDWAREID, make_multi_string(*entry.hardware_ids));
    if (entry.compatible_ids)
        set_property(set.get(), device, SPDRP_COMPATIBLEIDS, make_multi_string(*entry.compatible_ids));
    if (entry.driver && !write_driver_key(set.get(), device, *entry.driver)) {
        report("creating the driver key of", entry.instance_id, GetLastError());
        return false;
    }
    adjust_device_key(entry);
    if (!entry.present) {
        // A device that was seen once but is not attached now.
        SetupDiDeleteDeviceInfo(set.get(), &device);
    }
    return true;
}

}  // namespace

int register_device_profile(const device_profile_c& profile) {
    // Wine rebuilds the display adapters' device and driver keys when a process first asks for
    // the display configuration; let that happen before display devices are added, not after.
    DISPLAY_DEVICEW display{};
    display.cb = sizeof display;
    EnumDisplayDevicesW(nullptr, 0, &display, 0);
    int failures = 0;
    for (const auto& entry : profile.classes)
        if (!register_class(entry)) ++failures;
    for (const auto& entry : profile.devices)
        if (!register_device(entry)) ++failures;
    return failures;
}
