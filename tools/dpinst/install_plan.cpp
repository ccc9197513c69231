#include "tools/dpinst/install_plan.h"

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
