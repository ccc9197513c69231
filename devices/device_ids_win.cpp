#include "devices/device_ids_win.h"

std::vector<std::wstring> read_device_id_list(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD type = 0, size = 0;
    SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, nullptr, 0, &size);
    if (size == 0 || type != REG_MULTI_SZ) return {};
    // Two extra NULs, so a value stored without its final terminators still ends.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()), size,
                                           nullptr))
        return {};
    std::vector<std::wstring> ids;
    for (const wchar_t* id = buffer.data(); *id; id += ids.back().size() + 1) ids.emplace_back(id);
    return ids;
}

device_ids_c read_device_ids(HDEVINFO set, SP_DEVINFO_DATA& device) {
    return {read_device_id_list(set, device, SPDRP_HARDWAREID), read_device_id_list(set, device, SPDRP_COMPATIBLEIDS)};
}
