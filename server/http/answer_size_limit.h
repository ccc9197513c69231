// The program takes answers up to a fixed size: when the whole answer would be larger, each
// device is offered fewer packages. Writing stops at the limit, and the number of packages per
// device is cut by the factor the part written shows, so an answer is written a few times at most.
#pragma once

#include "server/scan/scan_answer_writer.h"

enum class answer_fit_c {
    fits,              // `out` holds the answer
    shrunk_to_nothing, // the request has offers but none fits: another mirror may do better
    too_many_devices,  // even without offers the answer would be too large
};

struct fitted_answer_c {
    answer_fit_c outcome = answer_fit_c::fits;
    std::size_t items_per_device = 0;  // what the answer offers each device at most
    unsigned writes = 0;               // how often the answer was written
};

fitted_answer_c fit_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                                const std::vector<std::vector<driver_offer_c>>& offers, const answer_settings_c& settings,
                                std::size_t most_bytes, std::string& out);
