// Why an operation failed, as its caller is told: returned, never kept in a global. The numbers
// are the ones scripts read as "last_error" in vantorel-cli's JSON, so they never change; every
// value in use is listed here, in one place.
#pragma once

#include <cstdint>

enum class failure_code_c : std::int32_t {
    none = 0,
    network_timeout = 3,   // scan query: all mirrors failed, the last one with status 504
    file_open = 4,         // file download: the target file could not be opened
    file_write = 5,        // file download: writing the target file failed
    transfer_create = 7,   // a transfer could not be created
    os_version = 10,       // start-up: the OS version could not be read
    power_status = 12,     // start-up: the system power status could not be read
    class_list = 16,       // enumeration: the class list could not be built
    device_set = 17,       // enumeration: the device information set could not be opened
    device_walk = 19,      // enumeration: the device walk ended on an error, or was stopped
    network = 20,          // scan query: all mirrors failed otherwise
    invalid_answer = 21,   // the answer could not be parsed or lacks required elements
    compress = 24,         // scan query: the request could not be compressed
    oversize = 25,         // file download: the server sent more than the expected size
    no_thread = 26,        // the system would not start a worker thread
    catalog_refused = 27,  // scan query: no mirror's answer carried a catalog statement to believe
};

constexpr std::int32_t failure_number(failure_code_c code) { return static_cast<std::int32_t>(code); }
