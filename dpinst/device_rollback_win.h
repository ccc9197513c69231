// Windows' own rollback of one device's driver (dpinst/device_rollback.h).
#pragma once

#include "dpinst/install_report.h"

#include <string>

package_result_c roll_back_device(const std::wstring& instance_id);
