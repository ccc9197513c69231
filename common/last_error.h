// The process-wide error code of the last failed operation, written by whichever thread fails
// and read by the windows that tell the user. Every value in use is listed here, in one place.
#pragma once

#include <cstdint>

enum last_error_code : std::int32_t {
    error_none = 0,
    error_network_timeout = 3,       // scan query: all mirrors failed, last one with status 504
    error_file_open = 4,             // file download: the target file could not be opened
    error_file_write = 5,            // file download: writing the target file failed
    error_transfer_create = 7,       // a transfer could not be created
    error_os_version = 10,           // start-up: the OS version could not be read
    error_power_status = 12,         // start-up: the system power status could not be read
    error_class_list = 16,           // enumeration: the class list could not be built
    error_device_set = 17,           // enumeration: the device information set could not be opened
    error_device_walk = 19,          // enumeration: the device walk ended on an error
    error_network = 20,              // scan query: all mirrors failed otherwise
    error_invalid_answer = 21,       // the answer could not be parsed or lacks required elements
    error_compress = 24,             // scan query: the request could not be compressed
    error_oversize = 25,             // file download: the server sent more than the expected size
};

std::int32_t last_error();
void set_last_error(std::int32_t code);
