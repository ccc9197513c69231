// The counts a finished scan is summed up in (always from the best offers): drivers out of date,
// devices without a driver that have an offer, devices that received offers, and the score.
#pragma once

#include "devices/device_store.h"

struct result_counts_c {
    int out_of_date = 0;
    int no_driver = 0;
    int matched = 0;
    int up_to_date() const { return matched - out_of_date - no_driver; }
    // 100 x up_to_date^2 / matched^2, whole; -1 when no device received offers (nothing to rate).
    int score() const;
};

result_counts_c count_results(const device_store_c& store);
