#include "dpinst/restore_point.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

// srrestoreptapi.h's records and constants, which MinGW does not ship.
constexpr DWORD begin_system_change = 100, end_system_change = 101;
constexpr DWORD device_driver_install = 10, cancelled_operation = 13;

#pragma pack(push, 1)
struct restore_point_info_c {
    DWORD event_type;
    DWORD restore_point_type;
    INT64 sequence_number;
    WCHAR description[256];
};
struct state_manager_status_c {
    DWORD status;
    INT64 sequence_number;
};
#pragma pack(pop)

using set_restore_point_t = BOOL(WINAPI*)(restore_point_info_c*, state_manager_status_c*);

set_restore_point_t set_restore_point() {
    // Loaded once, from the system folder only, and kept: the run ends soon after.
    static const set_restore_point_t function = [] {
        wchar_t system[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(system, MAX_PATH);
        if (length == 0 || length >= MAX_PATH - 16) return set_restore_point_t{};
        HMODULE library = LoadLibraryW((std::wstring(system) + L"\\srclient.dll").c_str());
        return library ? reinterpret_cast<set_restore_point_t>(
                             reinterpret_cast<void*>(GetProcAddress(library, "SRSetRestorePointW")))
                       : nullptr;
    }();
    return function;
}

}  // namespace

restore_point_calls_c system_restore_point_calls() {
    restore_point_calls_c calls;
    calls.begin = [](const std::wstring& description, std::int64_t& sequence, std::uint32_t& status) {
        set_restore_point_t function = set_restore_point();
        if (!function) return false;
        restore_point_info_c info{};
        info.event_type = begin_system_change;
        info.restore_point_type = device_driver_install;
        std::wcsncpy(info.description, description.c_str(), 255);
        state_manager_status_c result{};
        status = function(&info, &result) ? 0 : (result.status ? result.status : GetLastError());
        sequence = result.sequence_number;
        return true;
    };
    calls.end = [](std::int64_t sequence, bool cancel) {
        set_restore_point_t function = set_restore_point();
        if (!function) return;
        restore_point_info_c info{};
        info.event_type = end_system_change;
        info.restore_point_type = cancel ? cancelled_operation : device_driver_install;
        info.sequence_number = sequence;
        state_manager_status_c result{};
        function(&info, &result);
    };
    return calls;
}
