#include "dpinst/restore_point.h"

#include "common/hex_text.h"

#include <utility>

namespace {

// SRSetRestorePointW's statuses that mean System Protection is off or not there.
constexpr std::uint32_t service_disabled = 1058;  // ERROR_SERVICE_DISABLED
constexpr std::uint32_t not_supported = 50;       // ERROR_NOT_SUPPORTED

}  // namespace

restore_point_run_c::restore_point_run_c(const std::wstring& description, restore_point_calls_c calls,
                                         std::function<void(const std::wstring& line)> note)
    : calls_(std::move(calls)) {
    if (description.empty()) return;
    std::uint32_t status = 0;
    const bool called = calls_.begin && calls_.begin(description, sequence_, status);
    state_ = restore_point_state(called, status);
    open_ = state_ == restore_point_state_c::made;
    if (note) note(restore_point_line(state_, status));
}

void restore_point_run_c::finish(bool changed) {
    if (!open_) return;
    open_ = false;
    if (calls_.end) calls_.end(sequence_, !changed);
}

restore_point_state_c restore_point_state(bool called, std::uint32_t status) {
    if (!called || status == service_disabled || status == not_supported) return restore_point_state_c::unavailable;
    return status == 0 ? restore_point_state_c::made : restore_point_state_c::refused;
}

std::wstring restore_point_line(restore_point_state_c state, std::uint32_t status) {
    switch (state) {
        case restore_point_state_c::unavailable:
            return L"No restore point: System Restore is off or not available on this system";
        case restore_point_state_c::refused:
            return L"No restore point: Windows refused it (status " + hex_code(status) + L")";
        case restore_point_state_c::made: return L"Restore point made";
        case restore_point_state_c::not_asked: break;
    }
    return {};
}
