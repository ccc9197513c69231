// What one scan gives the window and the command line: the devices with their offers, how the
// scan ended and what the mirrors said. The scan's worker builds it; once handed out it is never
// changed (shared_ptr<const scan_result_c>), so pages may keep it while the next scan runs.
#pragma once

#include "common/failure_code.h"
#include "devices/device_store.h"
#include "service/install_reports.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// How the query half of a scan ended.
struct query_outcome_c {
    failure_code_c failure = failure_code_c::none;
    std::int32_t http_status = 0;              // of the last attempt
    std::string failure_text;                  // what TLS, the library or the transfer said; may be empty
    std::vector<std::string> mirror_failures;  // "<mirror>: <why>" for each mirror that did not answer
    std::string answered_by;                   // the mirror whose answer was read
    std::uint32_t items_refused = 0;           // offered items dropped by the signature check
    std::uint32_t items_unsigned = 0;          // unsigned items let through by the settings
    std::uint32_t items_withdrawn = 0;         // signed items dropped: the catalog withdrew their package
    std::uint64_t catalog_serial = 0;          // of the statement believed; 0 when the answer had none
    report_sending_c reports;                  // the queued install reports sent to the mirror that answered

    bool succeeded() const { return failure == failure_code_c::none; }
};

struct scan_result_c {
    // The enumeration's devices with the offers of the answer (those read before a failure).
    std::shared_ptr<const device_store_c> devices;
    std::int32_t device_total = 0;  // devices the enumeration counted
    query_outcome_c outcome;        // also carries an enumeration's failure

    bool succeeded() const { return outcome.succeeded(); }
};
