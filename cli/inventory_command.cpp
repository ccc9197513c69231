#include "cli/cli_commands.h"
#include "cli/inventory_run.h"
#include "common/argument_reader.h"
#include "common/text_convert.h"
#include "devices/device_json.h"

#include <cstdio>
#include <iostream>

namespace {

// A readable table for people: one line per kept device.
void print_summary(const device_store_c& store, const enumeration_progress_c& progress) {
    std::size_t with_driver = 0;
    for (const auto& record : store.devices) {
        std::string name = wide_to_utf8(record.display_name);
        std::string device_class = record.device_class ? wide_to_utf8(record.device_class->name) : "";
        if (record.has_driver) {
            ++with_driver;
            std::printf("  %-52.52s %-14.14s %s (%s)\n", name.c_str(), device_class.c_str(),
                        wide_to_utf8(record.driver_version).c_str(), wide_to_utf8(record.driver_date).c_str());
        } else {
            std::printf("  %-52.52s %-14.14s no driver\n", name.c_str(), device_class.c_str());
        }
    }
    std::printf("%zu devices kept of %d examined: %zu with a driver, %zu without; %zu setup classes\n",
                store.devices.size(), int(progress.scanned.load()), with_driver, store.devices.size() - with_driver,
                store.classes.size());
}

}  // namespace

int inventory_command(const cli_arguments& arguments) {
    bool include_absent = false;
    bool summary = false;
    std::string profile_path;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_switch("--include-absent")) include_absent = true;
        else if (reader.take_switch("--summary")) summary = true;
        else if (!reader.take_value("--profile", profile_path)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());

    inventory_run_c run;
    if (!run_inventory(profile_path, include_absent, run)) return 1;
    if (summary)
        print_summary(run.store, run.progress);
    else
        std::cout << store_json(run.store, run.progress, run.failure).dump(2) << "\n";
    return run.succeeded() ? 0 : 1;
}
