#include "cli/report_consent.h"

#include "service/report_origin_win.h"
#include "system/machine_facts.h"
#include "system/settings_win.h"

std::optional<bool> report_consent() {
    if (!load_settings()) return std::nullopt;
    return settings().send_reports != 0;
}

bool set_report_consent(bool send, std::string& error) {
    if (!load_settings()) return error = "the settings key cannot be opened or created", false;
    settings().send_reports = send ? 1 : 0;
    settings().reports_asked = 1;
    save_settings();
    return true;
}

report_origin_c report_origin_for(const std::wstring& data_folder) {
    if (!report_consent().value_or(false) || !collect_basic_facts()) return {};
    return report_origin_where_agreed(data_folder);
}
