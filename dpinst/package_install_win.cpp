#include "dpinst/package_install_win.h"

#include "common/hex_text.h"
#include "common/text_compare.h"
#include "common/wine_detection_win.h"
#include "devices/inf_models_win.h"
#include "dpinst/device_install_win.h"
#include "dpinst/device_list_win.h"
#include "dpinst/device_problem.h"
#include "dpinst/driver_key_completion_win.h"
#include "dpinst/driver_package_win.h"
#include "dpinst/driver_store_copy_win.h"
#include "dpinst/package_stage_win.h"

#include <memory>
#include <set>

namespace {

void append_reason(package_result_c& result, const std::wstring& text) {
    result.reason += (result.reason.empty() ? L"" : L"; ") + text;
}

// With /P, outside silent runs: asks once whether to install where the package is not newer.
void ask_about_older(const package_facts_c& facts, std::vector<device_target_c>& plan, install_context_c& context) {
    if (!context.options.prompt_if_not_better || !context.ask) return;
    bool any = false;
    for (const auto& target : plan) any = any || !target.install;
    if (!any) return;
    std::wstring question = L"The driver package " + facts.inf_path +
                            L" is not newer than the driver installed on some of its devices. Install it anyway?";
    if (!context.ask(question)) return;
    for (auto& target : plan) target.install = true;
}

// Reads the package and checks what must hold before anything is staged; false (with the
// result's outcome and reason) when the package goes no further.
bool read_checked_package(const std::wstring& inf_path, install_context_c& context, package_facts_c& facts,
                          package_result_c& result) {
    std::wstring reason;
    switch (read_driver_package(inf_path, context.platform, facts, reason)) {
        case package_check_c::ready: break;
        case package_check_c::not_a_driver_package:
            result.outcome = package_outcome_c::skipped;
            result.reason = reason;
            return false;
        case package_check_c::not_for_this_platform:
            // With /SH such a package is one that matches no device present.
            if (context.options.present_devices_only) result.outcome = package_outcome_c::skipped;
            result.reason = reason;
            return false;
        case package_check_c::failed:
            result.reason = reason;
            return false;
    }
    result.inf_path = facts.inf_path;
    if (!context.options.legacy_mode && !facts.catalog_present) {
        result.reason = facts.catalog_name.empty() ? L"the package names no catalog (legacy mode /LM accepts it)"
                                                   : L"catalog " + facts.catalog_name + L" is missing (legacy mode /LM accepts it)";
        return false;
    }
    if (context.installation_stuck) {
        result.reason = L"an earlier device installation did not finish";
        return false;
    }
    return true;
}

// Installs the staged package on the planned devices, one hardware ID at a time; a timeout ends
// this and every later installation. The IDs for which Windows kept the driver in use as the
// better match.
std::set<std::wstring> update_planned_devices(const std::vector<device_target_c>& plan, const staged_package_c& staged,
                                              install_context_c& context, package_result_c& result) {
    std::set<std::wstring> not_better;
    for (const auto& target : plan)
        if (target.install && installation_id(context.devices[target.device]).empty())
            append_reason(result, context.devices[target.device].instance_id + L" has no hardware ID to install by");
    for (const auto& id : installation_ids(plan, context.devices)) {
        auto update = context.update_devices(id, staged.install_inf, context.options.force, context.options.silent,
                                             context.time_limit_ms);
        result.restart_needed = result.restart_needed || update.restart_needed;
        if (update.status == device_update_c::timed_out) {
            context.installation_stuck = true;
            append_reason(result, L"the installation for " + id + L" did not finish in time");
            break;
        }
        if (update.status == device_update_c::not_better) not_better.insert(id);
        if (update.status == device_update_c::failed)
            append_reason(result, L"the installation for " + id + L" failed (error " + hex_code(update.error) + L")");
    }
    return not_better;
}

// Which devices now run the package, and the package's outcome from that.
void tally_devices(const std::vector<device_target_c>& plan, const package_facts_c& facts,
                   const staged_package_c& staged, const std::set<std::wstring>& not_better,
                   const install_context_c& context, package_result_c& result) {
    std::size_t not_newer = 0, judged_not_better = 0;
    for (const auto& target : plan) {
        const installer_device_c& device = context.devices[target.device];
        if (!target.install) {
            ++not_newer;
            continue;
        }
        if (!equal_ignoring_case(installed_inf_name(device.instance_id), staged.published_name)) {
            if (not_better.count(installation_id(device)) != 0)
                ++judged_not_better;
            else
                result.failed_on.push_back(device.instance_id);
            continue;
        }
        // The driver key names the package, but Windows may not run it (an unverified signature, a
        // driver that cannot start).
        if (const std::uint32_t problem = context.device_problem(device.instance_id)) {
            result.failed_on.push_back(device.instance_id);
            append_reason(result, device.instance_id + L" has " + device_problem_text(problem));
            continue;
        }
        result.installed_on.push_back(device.instance_id);
        if (running_on_wine() &&
            !complete_driver_key(device.instance_id, facts, facts.models[target.line], target.matched_id))
            append_reason(result, L"the driver key of " + device.instance_id + L" could not be completed");
    }
    if (!result.installed_on.empty()) {
        result.outcome = package_outcome_c::installed;
    } else if (!result.failed_on.empty()) {
        result.outcome = package_outcome_c::failed;
    } else {
        result.outcome = package_outcome_c::staged_only;
        const auto devices = [](std::size_t count) {
            return std::to_wstring(count) + (count == 1 ? L" device" : L" devices");
        };
        if (plan.empty()) append_reason(result, L"no matching device");
        if (not_newer > 0) append_reason(result, L"not newer than the installed driver on " + devices(not_newer));
        if (judged_not_better > 0)
            append_reason(result, L"Windows judged the installed driver a better match on " + devices(judged_not_better));
    }
}

}  // namespace

package_result_c install_package(const std::wstring& inf_path, install_context_c& context) {
    package_result_c result;
    result.inf_path = inf_path;
    package_facts_c facts;
    if (!read_checked_package(inf_path, context, facts, result)) return result;

    for (auto& device : context.devices) read_installed_driver(device);
    auto plan = plan_device_installs(facts.version, facts.models, context.devices, context.options.force);
    if (plan.empty() && context.options.present_devices_only) {
        result.outcome = package_outcome_c::skipped;
        result.reason = L"matches no device present";
        return result;
    }

    // Staging may wait for ever too (a prompt no one answers, a file Wine waits for): it runs under
    // the same time limit, on state that outlives a call left behind.
    struct staging_call_c {
        package_facts_c facts;
        staged_package_c staged;
        std::wstring reason;
        bool staged_ok = false;
    };
    auto staging = std::make_shared<staging_call_c>();
    staging->facts = facts;
    const bool finished = run_with_time_limit(
        [staging, platform = context.platform, legacy = context.options.legacy_mode] {
            staging->staged_ok = stage_package(staging->facts, platform, legacy, staging->staged, staging->reason);
        },
        context.time_limit_ms);
    if (!finished) {
        context.installation_stuck = true;
        result.reason = L"staging did not finish in time";
        return result;
    }
    if (!staging->staged_ok) {
        result.reason = staging->reason;
        return result;
    }
    const staged_package_c& staged = staging->staged;
    std::wstring reason;
    result.published_name = staged.published_name;
    if (!system_keeps_driver_store(staged.published_name) && running_on_wine()) {
        std::wstring folder;
        const std::string* published = staged.copy_inf_bytes ? &*staged.copy_inf_bytes : nullptr;
        if (!keep_in_driver_store(facts, staged.published_name, published, context.platform, folder, reason))
            append_reason(result, L"not kept in the driver store: " + reason);
    }

    ask_about_older(facts, plan, context);
    const std::set<std::wstring> not_better = update_planned_devices(plan, staged, context, result);
    tally_devices(plan, facts, staged, not_better, context, result);
    return result;
}

package_result_c uninstall_package(const std::wstring& argument) {
    package_result_c result;
    result.inf_path = argument;
    result.published_name = find_published_inf(argument, running_platform());
    if (result.published_name.empty()) {
        result.reason = L"no published driver package matches " + argument;
        return result;
    }
    std::wstring reason;
    if (!remove_published_inf(result.published_name, reason)) {
        result.reason = reason;
        return result;
    }
    if (running_on_wine()) drop_from_driver_store(result.published_name);
    result.outcome = package_outcome_c::removed;
    return result;
}
