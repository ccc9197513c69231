#include "ui/pages/result_counts.h"

int result_counts_c::score() const {
    if (matched <= 0) return -1;
    double up = double(up_to_date()), all = double(matched);
    return int(100.0 * up * up / (all * all));
}

result_counts_c count_results(const device_store_c& store) {
    result_counts_c counts;
    for (const device_c& device : store.devices) {
        if (device.best_is_update) (device.has_driver ? counts.out_of_date : counts.no_driver) += device.instance_count;
        if (!device.items.empty()) counts.matched += device.instance_count;
    }
    return counts;
}
