// The six texts that tell which driver a device runs, as the backup index keeps them and as an
// update records what it replaced.
#pragma once

#include "devices/device_record.h"

#include <string>

struct device_texts_c {
    std::wstring id;       // instance path
    std::wstring desc;     // display name
    std::wstring manu;     // driver provider
    std::wstring name;     // installed INF name
    std::wstring version;  // driver version
    std::wstring driver_date;
};

device_texts_c device_texts_of(const device_c& device);
