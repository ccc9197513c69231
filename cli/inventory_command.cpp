#include "cli/cli_commands.h"
#include "common/text_convert.h"
#include "devices/device_json.h"
#include "devices/profile_source.h"
#include "service/last_error.h"

#ifdef _WIN32
#include "devices/system_source.h"
#endif

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

int usage() {
    std::fprintf(stderr, "usage: vantorel-cli inventory [--include-absent] [--profile FILE] [--summary]\n");
    return 2;
}

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
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--include-absent") {
            include_absent = true;
        } else if (arguments[i] == "--summary") {
            summary = true;
        } else if (arguments[i] == "--profile" && i + 1 < arguments.size()) {
            profile_path = arguments[++i];
        } else {
            return usage();
        }
    }

    std::unique_ptr<device_source_c> source;
    if (!profile_path.empty()) {
        device_profile_c profile;
        std::string error;
        if (!load_device_profile(std::filesystem::u8path(profile_path), profile, error)) {
            std::fprintf(stderr, "vantorel-cli: %s\n", error.c_str());
            return 1;
        }
        source = std::make_unique<profile_source_c>(std::move(profile));
    } else {
#ifdef _WIN32
        source = make_system_device_source();
#else
        std::fprintf(stderr, "vantorel-cli: on Linux the devices come from a profile: give --profile FILE\n");
        return usage();
#endif
    }

    device_store_c store;
    enumeration_progress_c progress;
    progress.include_absent = include_absent ? 1 : 0;
    set_last_error(0);
    bool ok = enumerate_devices(store, *source, progress);
    if (summary)
        print_summary(store, progress);
    else
        std::cout << store_json(store, progress).dump(2) << "\n";
    return ok ? 0 : 1;
}
