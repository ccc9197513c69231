#include "dpinst/device_install_win.h"

#include "common/kernel_handle_win.h"

#include <newdev.h>

#include <memory>

namespace {

DWORD WINAPI run_work(void* parameter) {
    std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
    try {
        (*work)();
    } catch (...) {
        // Nothing may leave a thread entry; the caller judges the outcome from its shared state.
    }
    return 0;
}

struct update_call_c {
    BOOL succeeded = FALSE;
    BOOL restart = FALSE;
    DWORD error = ERROR_SUCCESS;
};

}  // namespace

bool run_with_time_limit(std::function<void()> work, DWORD time_limit_ms) {
    auto handed = std::make_unique<std::function<void()>>(std::move(work));
    kernel_handle_c thread(CreateThread(nullptr, 0, run_work, handed.get(), 0, nullptr));
    if (!thread) {
        // Nothing ran: run it here, without a limit, rather than not at all.
        (*handed)();
        return true;
    }
    handed.release();
    return WaitForSingleObject(thread.get(), time_limit_ms) == WAIT_OBJECT_0;
}

device_update_result_c update_devices_with_id(const std::wstring& id, const std::wstring& inf_path, bool force,
                                              bool non_interactive, DWORD time_limit_ms) {
    auto call = std::make_shared<update_call_c>();
    const DWORD flags = (force ? INSTALLFLAG_FORCE : 0) | (non_interactive ? INSTALLFLAG_NONINTERACTIVE : 0);
    bool finished = run_with_time_limit(
        [call, id, inf_path, flags] {
            SetLastError(ERROR_SUCCESS);
            call->succeeded =
                UpdateDriverForPlugAndPlayDevicesW(nullptr, id.c_str(), inf_path.c_str(), flags, &call->restart);
            call->error = call->succeeded ? ERROR_SUCCESS : GetLastError();
        },
        time_limit_ms);
    device_update_result_c result;
    if (!finished) {
        result.status = device_update_c::timed_out;
        return result;
    }
    result.restart_needed = call->restart != FALSE;
    result.error = call->error;
    if (call->succeeded)
        result.status = device_update_c::done;
    else
        result.status = call->error == ERROR_NO_MORE_ITEMS ? device_update_c::not_better : device_update_c::failed;
    return result;
}
