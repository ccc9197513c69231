#include "download/driver_change.h"

bool any_driver_changed(const std::vector<update_device_c>& before, const device_store_c& now) {
    for (const update_device_c& device : before) {
        const device_c* read = find_device(now, device.texts.id.c_str());
        if (!read) continue;  // unplugged meanwhile: says nothing either way
        if (read->has_driver != device.has_driver) return true;
        if (!read->has_driver) continue;
        const device_texts_c texts = device_texts_of(*read);
        if (texts.name != device.texts.name || texts.version != device.texts.version ||
            texts.driver_date != device.texts.driver_date)
            return true;
    }
    return false;
}
