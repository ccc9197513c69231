// The process-wide update service: the inventory that scan requests are built from and answers
// written to, the transfer every scan query reuses, and the links of packages whose set-up
// program the user has already started.
#pragma once

#include "devices/device_store.h"
#include "service/http_transfer.h"
#include "service/mirrors.h"
#include "service/package_trust.h"
#include "service/scan_query.h"

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <string_view>

constexpr std::int32_t scan_answer_capacity = 5 * 1024 * 1024;

struct update_service_c {
    device_store_c* store = nullptr;
    std::unique_ptr<http_transfer_c> transfer;    // made by the first query, reused until exit
    std::set<std::string> installed_links;        // from "setup.dat"
    const scan_query_c* current_query = nullptr;  // while a query runs
    mirror_list_c mirrors = configured_mirrors();
    // Offers are believed only when signed with a compiled-in key; the settings may let a private
    // mirror's unsigned packages through.
    package_trust_c trust = built_in_trust(false);
    std::wstring installed_links_file = L"setup.dat";  // in the program folder, the current directory
    // Set by the window that is closing: a running query ends within a moment (its transfer is
    // cut) and asks no further mirror.
    std::atomic<bool> stop_requested{false};
};

// The scan query's worker body: sends the request to the mirrors in order, reads the first answer
// with a status below 400 into the store and chooses every device's offers. False with
// last_error 3, 7, 20, 21 or 24 (and query.error_text as those rules say).
bool query_update_server(update_service_c& service, scan_query_c& query);

// What follows a received answer: reads it into the store (last_error 21 when it cannot be
// read), refreshes the installed links and chooses every device's best and latest offer. The
// query learns how many items the trust check refused or let through unsigned.
bool apply_scan_answer(update_service_c& service, scan_query_c& query, std::string_view answer);

// Re-reads "setup.dat": one link per line, blanks around it removed, empty lines skipped. A
// missing file leaves the set as it was.
void load_installed_links(update_service_c& service);
