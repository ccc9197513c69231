#include "devices/device_texts.h"

device_texts_c device_texts_of(const device_c& device) {
    return {device.instance_path, device.display_name, device.driver_provider,
            device.inf_path,      device.driver_version, device.driver_date};
}
