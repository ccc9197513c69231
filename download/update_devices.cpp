#include "download/update_devices.h"

std::vector<update_device_c> update_devices_of(const std::vector<const device_c*>& devices) {
    std::vector<update_device_c> out;
    for (const device_c* device : devices)
        if (device) out.push_back({device_texts_of(*device), device->driver_description, device->has_driver});
    return out;
}
