// The process-wide update service: the transfer every scan query reuses, the mirrors and the
// trust it asks and believes, and the links of packages whose set-up program the user has
// already started. The devices a query describes and fills are the scan's own.
#pragma once

#include "devices/device_store.h"
#include "service/http_transfer.h"
#include "service/mirrors.h"
#include "service/package_trust.h"
#include "service/scan_result.h"
#include "system/machine_description.h"

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <string_view>

constexpr std::int32_t scan_answer_capacity = 5 * 1024 * 1024;

struct update_service_c {
    std::unique_ptr<http_transfer_c> transfer;    // made by the first query, reused until exit
    std::set<std::string> installed_links;        // from "setup.dat"
    mirror_list_c mirrors = configured_mirrors();
    // Offers are believed only when signed with a compiled-in key. The machine's policy may let
    // the unsigned packages of the mirrors it names through (trust_policy.h); allow_unsigned
    // lets every mirror's through (vantorel-cli --allow-unsigned, for one run).
    package_trust_c trust = built_in_trust(false);
    std::set<std::string> unsigned_mirrors;
    std::wstring installed_links_file;            // "setup.dat" in the data folder; none when empty
    // "catalog.dat" in the data folder: the newest catalog statement believed (catalog_freshness.h);
    // none when empty, and then only an answer's own statement counts.
    std::wstring catalog_record_file;
    // "hidden.dat" in the data folder: the offers the user hid (hidden_offers.h); none when empty.
    std::wstring hidden_offers_file;
    bool show_hidden = false;                     // hidden updates stay updates, marked
    // "reports.dat" in the data folder where the user agreed to send install reports: its queue
    // goes to the mirror that answered each scan. Empty: nothing is sent.
    std::wstring report_queue_file;
    // Set by the window that is closing: a running query ends within a moment (its transfer is
    // cut) and asks no further mirror.
    std::atomic<bool> stop_requested{false};
};

// The scan query's worker body: sends the request describing the machine and the store's devices
// to the mirrors in order, reads the first answer with a status below 400 into the store and
// chooses every device's offers. An answer refused for its catalog statement (expired, older than
// the newest seen, missing or not the owner's) is passed over for the next mirror's. Fails with
// network_timeout, transfer_create, network, invalid_answer, catalog_refused or compress (with a
// failure text where there is one to tell).
query_outcome_c query_update_server(update_service_c& service, device_store_c& store,
                                    const machine_description_c& machine);

// What follows a received answer: reads it into the store (invalid_answer when it cannot be
// read, catalog_refused with the reason when its catalog statement is not believed, the store
// then untouched), records a believed statement in "catalog.dat", refreshes the installed links and chooses every device's best and latest offer. The
// outcome counts the items the trust check refused or let through unsigned; unsigned items are
// let through only where the trust allows them for every mirror, or for the one that answered.
query_outcome_c apply_scan_answer(update_service_c& service, device_store_c& store,
                                  const machine_description_c& machine, std::string_view answer,
                                  std::string_view answered_by = {});

// Chooses every device's best and latest offer among its items, with "setup.dat" and the hidden
// offers as they are now: after an answer, and again when the user hides or shows an offer.
void choose_offers(update_service_c& service, device_store_c& store, std::int32_t os_version_number);

// Sends the queued install reports to the mirror (its POST /report), oldest first, until one
// cannot be sent: taken ones and ones the server refuses for good leave the queue.
report_sending_c send_queued_reports(update_service_c& service, const std::string& mirror);

// Re-reads "setup.dat" (installed_links.h). A missing file leaves the set as it was.
void load_installed_links(update_service_c& service);
