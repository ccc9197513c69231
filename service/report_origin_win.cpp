#include "service/report_origin_win.h"

#include "system/machine_facts.h"
#include "system/os_code.h"
#include "system/settings_win.h"

report_origin_c report_origin_where_agreed(const std::wstring& data_folder) {
    if (data_folder.empty() || !settings().send_reports) return {};
    return {report_queue_path(data_folder), os_code(), std::uint32_t(os_version().build), machine_name(system_machine())};
}
