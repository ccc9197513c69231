#include "dpinst/device_rollback.h"

#include "common/hex_text.h"
#include "dpinst/device_problem.h"

namespace {
// What DiRollbackDriver sets when Windows kept no earlier driver for the device.
constexpr std::uint32_t no_backup_error = 0xE0000103u;  // ERROR_NO_BACKUP
}  // namespace

package_result_c rollback_result(const std::wstring& instance_id, const rollback_call_c& call) {
    package_result_c result;
    result.inf_path = L"the earlier driver of " + instance_id;
    result.restart_needed = call.restart_needed;
    if (!call.available) {
        result.reason = L"Windows' driver rollback is not available on this system";
    } else if (!call.device_found) {
        result.reason = L"no device " + instance_id;
    } else if (!call.succeeded) {
        result.reason = call.error == no_backup_error
                            ? L"Windows kept no earlier driver for this device"
                            : L"Windows' rollback failed (error " + hex_code(call.error) + L")";
    } else if (call.problem != 0) {
        result.reason = L"the earlier driver does not run: " + device_problem_text(call.problem);
    } else {
        result.outcome = package_outcome_c::installed;
        result.installed_on.push_back(instance_id);
        return result;
    }
    result.failed_on.push_back(instance_id);
    return result;
}
