// The two halves of a scan as the scan page runs them on its worker thread: the device
// enumeration into the scan's fresh store, then the scan query through the update service.
// The program uses the system's; tests put their own in.
#pragma once

#include "devices/device_store.h"
#include "service/scan_result.h"
#include "system/machine_description.h"

#include <functional>
#include <memory>

struct scan_workers_c {
    std::function<failure_code_c(device_store_c&, enumeration_progress_c&)> enumerate;
    std::function<query_outcome_c(device_store_c&, const machine_description_c&)> query;
    // true: asks a running query to end soon (the window is closing); false before a query
    // starts. May be empty.
    std::function<void(bool)> set_stop;
    // The machine the query describes; empty: this PC (describe_this_machine).
    std::function<machine_description_c()> describe;
    // Chooses a store's offers again, with the hidden offers as they are now in hidden_offers_file
    // (the download page's "Hide this update"); may be empty, and then nothing can be hidden.
    std::function<void(device_store_c&)> choose_offers;
    std::wstring hidden_offers_file;
    // Shared by every scan's store, so the pages' class images stay valid; may be null.
    std::shared_ptr<const class_images_c> class_images;
};
