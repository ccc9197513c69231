#include "dpinst/device_rollback_win.h"

#include "common/wine_detection_win.h"
#include "devices/setupapi_handles_win.h"
#include "dpinst/device_rollback.h"
#include "dpinst/device_status_win.h"

#include <windows.h>
#include <setupapi.h>
#include <newdev.h>

namespace {

using rollback_function_c = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, HWND, DWORD, PBOOL);

// Found at run time: Windows XP's newdev.dll has none. Wine exports it as a stub that ends the
// process when called, so there it counts as missing.
rollback_function_c system_rollback() {
    if (running_on_wine()) return nullptr;
    HMODULE newdev = GetModuleHandleW(L"newdev.dll");
    if (!newdev) newdev = LoadLibraryW(L"newdev.dll");
    if (!newdev) return nullptr;
    return reinterpret_cast<rollback_function_c>(reinterpret_cast<void*>(GetProcAddress(newdev, "DiRollbackDriver")));
}

}  // namespace

package_result_c roll_back_device(const std::wstring& instance_id) {
    rollback_call_c call;
    const rollback_function_c rollback = system_rollback();
    call.available = rollback != nullptr;
    if (call.available) {
        device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        call.device_found = set && SetupDiOpenDeviceInfoW(set.get(), instance_id.c_str(), nullptr, 0, &device);
        if (call.device_found) {
            BOOL reboot = FALSE;
            call.succeeded = rollback(set.get(), &device, nullptr, ROLLBACK_FLAG_NO_UI, &reboot) != FALSE;
            call.error = call.succeeded ? 0 : std::uint32_t(GetLastError());
            call.restart_needed = reboot != FALSE;
            if (call.succeeded) call.problem = read_device_problem(instance_id);
        }
    }
    return rollback_result(instance_id, call);
}
