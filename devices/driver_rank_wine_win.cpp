#include "devices/driver_rank_wine_win.h"

#include "common/file_open.h"
#include "common/inf_values.h"
#include "common/registry_key_win.h"
#include "devices/device_ids_win.h"
#include "devices/driver_rank.h"
#include "devices/driver_store_map_win.h"
#include "devices/inf_models_win.h"
#include "devices/installed_inf_win.h"
#include "devices/setupapi_handles_win.h"

#include <string>
#include <vector>

namespace {

// Where SetupCopyOEMInfW keeps the catalogs of staged packages.
const wchar_t catalog_root[] = L"\\catroot\\{F750E6C3-38EE-11D1-85E5-00C04FC295EE}\\";

std::wstring driver_key_text(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* name) {
    HKEY raw = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (raw == INVALID_HANDLE_VALUE) return std::wstring();
    return registry_key_c(raw).read_text(name).value_or(std::wstring());
}

bool catalog_staged(const std::wstring& catalog, const std::wstring& inf_name) {
    if (catalog.empty()) return false;
    std::wstring root = driver_store_root();  // ...\System32 (or Sysnative)\DriverStore\FileRepository
    std::wstring system = root.substr(0, root.size() - std::wstring(L"\\DriverStore\\FileRepository").size());
    if (file_exists(system + catalog_root + catalog)) return true;
    auto folder = recorded_store_folder(inf_name);
    return folder && file_exists(root + L"\\" + *folder + L"\\" + catalog);
}

}  // namespace

bool read_installed_driver_rank_from_inf(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* inf_name,
                                         std::uint32_t& rank) {
    std::wstring path = installed_inf_path(inf_name);
    if (path.empty()) return false;
    inf_handle_c inf(SetupOpenInfFileW(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr));
    if (!inf) return false;
    inf_platform_c platform = running_platform();
    std::vector<inf_model_line_c> lines;
    if (!read_platform_models(inf.get(), platform, lines)) return false;

    const device_ids_c ids = read_device_ids(set, device);
    std::wstring section = driver_key_text(set, device, L"InfSection");
    auto match = best_model_match(ids, lines, section);
    if (!match && !section.empty()) match = best_model_match(ids, lines);
    if (!match) return false;

    bool nt = false;
    auto actual = actual_install_section(inf.get(), lines[match->line].install_section, platform, nt);
    std::uint32_t feature = default_feature_score;
    if (actual)
        if (auto text = read_inf_value(inf.get(), actual->c_str(), L"FeatureScore"))
            feature = read_feature_score(*text).value_or(default_feature_score);
    driver_signature_c signature = catalog_staged(read_catalog_name(inf.get(), platform), inf_name)
                                       ? driver_signature_c::trusted
                                   : nt ? driver_signature_c::unsigned_nt
                                        : driver_signature_c::unsigned_other;
    rank = driver_rank(signature, feature, match->identifier);
    return true;
}

bool read_installed_driver_rank_from_inf(const wchar_t* instance_id, const wchar_t* inf_name, std::uint32_t& rank) {
    device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!set) return false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!SetupDiOpenDeviceInfoW(set.get(), instance_id, nullptr, 0, &device)) return false;
    return read_installed_driver_rank_from_inf(set.get(), device, inf_name, rank);
}
