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

// The settings box's calls without a window to show the schedule in.
class console_task_calls_c : public scan_task_calls_win_c {
public:
    using scan_task_calls_win_c::scan_task_calls_win_c;
    bool edit() override { return true; }
};

// The program the task starts: Vantorel.exe beside this tool.
std::wstring program_beside() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length < MAX_PATH ? length : 0);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"Vantorel.exe";
}

nlohmann::ordered_json task_json(const scan_task_place_c& place) {
    auto task = read_scan_task(place);
    nlohmann::ordered_json out = {{"path", wide_to_utf8(task ? task->path : place.task_path)}, {"exists", bool(task)}};
    if (!task) return out;
    const scan_trigger_record_c& trigger = task->first_trigger;
    out["scheduler"] = task->scheduler == 2 ? "2.0" : "1.0";
    out["application"] = wide_to_utf8(task->application);
    out["parameters"] = wide_to_utf8(task->parameters);
    out["comment"] = wide_to_utf8(task->comment);
    out["account"] = wide_to_utf8(task->account);
    out["logon_type"] = task->logon_type;
    out["disallow_start_on_batteries"] = task->disallow_start_on_batteries;
    out["stop_going_on_batteries"] = task->stop_going_on_batteries;
    out["execution_time_limit"] = wide_to_utf8(task->execution_time_limit);
    out["start_when_available"] = task->start_when_available;
    out["enabled"] = task->enabled;
    out["trigger_count"] = task->trigger_count;
    if (task->trigger_count > 0) {
        out["trigger"] = {
            {"weekly", trigger.weekly},
            {"start_boundary", wide_to_utf8(trigger.start_boundary)},
            {"weeks_interval", trigger.weeks_interval},
            {"days_of_week", trigger.days_of_week},
            {"enabled", trigger.enabled},
        };
    }
    return out;
}

// As the settings dialog does for a box the user moved and then confirmed; the setting
// "scheduled_scan" follows only for the user's own task and only when the trigger did.
bool switch_schedule(bool on, const scan_task_place_c& place, bool own_task) {
    if (own_task && (!collect_basic_facts() || !load_settings())) {
        std::fprintf(stderr, "vantorel-cli: the settings cannot be read\n");
        return false;
    }
    console_task_calls_c calls(nullptr, program_beside(), place);
    scheduled_scan_box_c box(on ? 0 : 1);  // the command acts whatever the setting says
    if (!box.set_checked(on, calls)) {
        std::fprintf(stderr, "vantorel-cli: the Task Scheduler refused to %s the task\n",
                     on ? "create or enable" : "disable");
        return false;
    }
    if (own_task) {
        settings().scheduled_scan = box.confirm();
        save_settings();
    }
    return true;
}

}  // namespace

int schedule_command(const cli_arguments& arguments) {
    std::string action = "show";
    std::wstring name;
    std::string text;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_value("--name", text, argument_reader_c::empty_value_c::refused)) name = utf8_to_wide(text);
        else if (reader.current() == "show" || reader.current() == "on" || reader.current() == "off") action = reader.take_operand();
        else reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    com_apartment_c apartment;
    if (!apartment.ready()) {
        std::fprintf(stderr, "vantorel-cli: COM cannot be started\n");
        return 1;
    }
    scan_task_place_c place = name.empty() ? scan_task_place() : scan_task_place_c{L"\\" + name, name};
    bool done = action == "show" || switch_schedule(action == "on", place, name.empty());
    std::cout << task_json(place).dump(2) << "\n";
    return done ? 0 : 1;
}
