#include "download/driver_change.h"

#include "devices/system_source.h"

bool system_drivers_changed(const std::vector<update_device_c>& before) {
    device_store_c now;
    enumeration_progress_c progress;
    const std::unique_ptr<device_source_c> source = make_system_device_source();
    // A rescan that fails cannot tell: the set-up program's word (its exit code) stands.
    if (!source || enumerate_devices(now, *source, progress) != failure_code_c::none) return true;
    return any_driver_changed(before, now);
}
