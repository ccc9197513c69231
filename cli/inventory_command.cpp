#include "cli/cli_commands.h"
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
    std::fprintf(stderr, "usage: vantorel-cli inventory [--include-absent] [--profile FILE]\n");
    return 2;
}

}  // namespace

int inventory_command(const cli_arguments& arguments) {
    bool include_absent = false;
    std::string profile_path;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--include-absent") {
            include_absent = true;
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
    std::cout << store_json(store, progress).dump(2) << "\n";
    return ok ? 0 : 1;
}
