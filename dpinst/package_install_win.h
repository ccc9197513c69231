// One package from its INF to its devices: check it, match it against the present devices, stage
// it, keep it in the driver store where the system keeps none, install it on each device that
// should get it, and count it installed on a device only when that device's driver key names the
// published INF afterwards and the device has no problem code. Where Windows judged the package
// no better match than the driver in use (ERROR_NO_MORE_ITEMS), the package counts as staged on
// that device, not as failed.
#pragma once

#include "devices/inf_models.h"
#include "dpinst/device_install_win.h"
#include "dpinst/device_status_win.h"
#include "dpinst/install_plan.h"
#include "dpinst/install_report.h"
#include "dpinst/installer_options.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct install_context_c {
    installer_options_c options;
    inf_platform_c platform;
    std::vector<installer_device_c> devices;
    // How long one device installation may take. Under Wine an installation that waits for a
    // file never ends, and the others take well under a second there.
    DWORD time_limit_ms = 10 * 60 * 1000;
    // Asks whether to install a package that is not newer (/P); none in silent runs.
    std::function<bool(const std::wstring& question)> ask;
    // Set when a device installation passed its time limit: it still runs and may hold SetupAPI's
    // locks, so no further package is installed.
    bool installation_stuck = false;
    // The system's calls the outcome is judged from: the installation on the devices of one ID,
    // and a device's problem code afterwards (Wine returns none of Windows' refusals, so tests
    // put their own in place).
    std::function<device_update_result_c(const std::wstring& id, const std::wstring& inf_path, bool force,
                                         bool non_interactive, DWORD time_limit_ms)>
        update_devices = update_devices_with_id;
    std::function<std::uint32_t(const std::wstring& instance_id)> device_problem = read_device_problem;
};

package_result_c install_package(const std::wstring& inf_path, install_context_c& context);

// /U: removes the published package the argument names (see find_published_inf).
package_result_c uninstall_package(const std::wstring& argument);
