// Installing a staged package onto the devices that have one ID, through
// UpdateDriverForPlugAndPlayDevicesW, on a worker thread under a time limit: the call can wait
// for ever (Wine does when a source file is missing), and a stuck installation must not keep the
// installer from reporting. Its return value is only a hint; the caller checks each device.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

enum class device_update_c {
    done,        // the call succeeded
    not_better,  // Windows kept the installed driver (ERROR_NO_MORE_ITEMS)
    failed,      // the call failed with `error`
    timed_out,   // still running when the time limit passed; it is left behind
};

struct device_update_result_c {
    device_update_c status = device_update_c::failed;
    DWORD error = ERROR_SUCCESS;
    bool restart_needed = false;
};

// With `non_interactive` Windows shows nothing and fails where it would ask (INSTALLFLAG_NONINTERACTIVE).
device_update_result_c update_devices_with_id(const std::wstring& id, const std::wstring& inf_path, bool force,
                                              bool non_interactive, DWORD time_limit_ms);

// Runs work on a thread of its own and waits at most the time limit. False when it has not
// finished by then: it is left running and keeps what it captured, so it must capture by value
// (shared state through a shared pointer).
bool run_with_time_limit(std::function<void()> work, DWORD time_limit_ms);
