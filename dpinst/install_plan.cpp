#include "dpinst/install_plan.h"

#include "common/text_compare.h"

std::vector<device_target_c> plan_device_installs(const driver_version_c& package_version,
                                                  const std::vector<inf_model_line_c>& lines,
                                                  const std::vector<installer_device_c>& devices, bool force) {
    std::vector<device_target_c> targets;
    for (std::size_t d = 0; d < devices.size(); ++d) {
        auto match = best_model_match(devices[d].ids, lines);
        if (!match) continue;
        device_target_c target;
        target.device = d;
        target.line = match->line;
        target.matched_id = match->matched_id;
        target.identifier = match->identifier;
        const auto& installed = devices[d].installed;
        target.newer = devices[d].inf_name.empty() || !installed || newer_than(package_version, *installed);
        target.install = target.newer || force;
        targets.push_back(target);
    }
    return targets;
}

std::wstring installation_id(const installer_device_c& device) {
    return device.ids.hardware_ids.empty() ? std::wstring() : device.ids.hardware_ids.front();
}

std::vector<std::wstring> installation_ids(const std::vector<device_target_c>& plan,
                                           const std::vector<installer_device_c>& devices) {
    std::vector<std::wstring> ids;
    for (const auto& target : plan) {
        if (!target.install) continue;
        std::wstring id = installation_id(devices[target.device]);
        if (id.empty()) continue;
        bool seen = false;
        for (const auto& listed : ids) seen = seen || equal_ignoring_case(listed, id);
        if (!seen) ids.push_back(id);
    }
    return ids;
}
