#include "cli/inventory_run.h"

#include "devices/profile_source.h"

#ifdef _WIN32
#include "devices/system_source.h"
#endif

#include <cstdio>
#include <memory>

bool run_inventory(const std::string& profile_path, bool include_absent, inventory_run_c& run) {
    std::unique_ptr<device_source_c> source;
    if (!profile_path.empty()) {
        device_profile_c profile;
        std::string error;
        if (!load_device_profile(std::filesystem::u8path(profile_path), profile, error)) {
            std::fprintf(stderr, "vantorel-cli: %s\n", error.c_str());
            return false;
        }
        source = std::make_unique<profile_source_c>(std::move(profile));
    } else {
#ifdef _WIN32
        source = make_system_device_source();
        run.store.class_images = make_system_class_images();
#else
        std::fprintf(stderr, "vantorel-cli: on Linux the devices come from a profile: give --profile FILE\n");
        return false;
#endif
    }
    run.progress.include_absent = include_absent ? 1 : 0;
    run.failure = enumerate_devices(run.store, *source, run.progress);
    return true;
}
