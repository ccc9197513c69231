#include "system/machine_facts.h"
#include "system/scan_task_win.h"
#include "system/scheduled_scan_box.h"
#include "system/settings_win.h"
#include "cli/cli_commands.h"
#include "cli/com_apartment_win.h"
#include "common/text_convert.h"

#include <nlohmann/json.hpp>

#include <objbase.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

int schedule_usage() {
    std::fprintf(stderr, "usage: vantorel-cli schedule [show|on|off] [--name NAME]\n");
    return 2;
}

// The settings box's calls without a window to own the property pages.
class console_task_calls_c : public scan_task_calls_win_c {
public:
    using scan_task_calls_win_c::scan_task_calls_win_c;
    bool edit() override { return true; }
};

// The program the item starts: Vantorel.exe beside this tool.
std::wstring program_beside() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"Vantorel.exe";
}

nlohmann::ordered_json item_json(const std::wstring& name) {
    nlohmann::ordered_json out = {{"name", wide_to_utf8(name)}};
    auto item = read_scan_task(name.c_str());
    out["exists"] = bool(item);
    if (!item) return out;
    const scan_trigger_record_c& trigger = item->first_trigger;
    char begin_date[32];
    char start_time[16];
    std::snprintf(begin_date, sizeof begin_date, "%04d-%02d-%02d", trigger.begin_year, trigger.begin_month,
                  trigger.begin_day);
    std::snprintf(start_time, sizeof start_time, "%02d:%02d", trigger.start_hour, trigger.start_minute);
    out["application"] = wide_to_utf8(item->application);
    out["parameters"] = wide_to_utf8(item->parameters);
    out["comment"] = wide_to_utf8(item->comment);
    out["account"] = wide_to_utf8(item->account);
    out["flags"] = item->flags;
    out["trigger_count"] = item->trigger_count;
    if (item->trigger_count > 0) {
        out["trigger"] = {
            {"begin_date", begin_date},
            {"start_time", start_time},
            {"type", trigger.type},
            {"weeks_interval", trigger.weeks_interval},
            {"days_of_week", trigger.days_of_week},
            {"flags", trigger.flags},
            {"enabled", !trigger.disabled()},
        };
    }
    return out;
}

// As the settings dialog does for a box the user moved and then confirmed; the setting
// "scheduled_scan" follows only for the program's own item and only when the trigger did.
bool switch_schedule(bool on, const std::wstring& name) {
    bool own_item = name == scan_task_name;
    if (own_item && (!collect_basic_facts() || !load_settings())) {
        std::fprintf(stderr, "vantorel-cli: the settings cannot be read\n");
        return false;
    }
    console_task_calls_c calls(nullptr, program_beside(), name);
    scheduled_scan_box_c box(on ? 0 : 1);  // the command acts whatever the setting says
    if (!box.set_checked(on, calls)) {
        std::fprintf(stderr, "vantorel-cli: the Task Scheduler refused to %s the work item\n",
                     on ? "create or enable" : "disable");
        return false;
    }
    if (own_item) {
        settings().scheduled_scan = box.confirm();
        save_settings();
    }
    return true;
}

}  // namespace

int schedule_command(const cli_arguments& arguments) {
    std::string action = "show";
    std::wstring name = scan_task_name;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--name" && i + 1 < arguments.size())
            name = utf8_to_wide(arguments[++i]);
        else if (arguments[i] == "show" || arguments[i] == "on" || arguments[i] == "off")
            action = arguments[i];
        else
            return schedule_usage();
    }
    if (name.empty()) return schedule_usage();
    com_apartment_c apartment;
    if (!apartment.ready()) {
        std::fprintf(stderr, "vantorel-cli: COM cannot be started\n");
        return 1;
    }
    bool done = action == "show" || switch_schedule(action == "on", name);
    std::cout << item_json(name).dump(2) << "\n";
    return done ? 0 : 1;
}
