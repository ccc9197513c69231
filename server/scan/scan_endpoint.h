// One scan request to its reply, apart from HTTP: the posted form read, offers weighed within
// the request's budget, the answer fitted to the size the program takes.
#pragma once

#include "server/catalog/catalog_index.h"
#include "server/scan/scan_answer_writer.h"
#include "server/reports/report_store.h"
#include "server/scan/scan_request_reader.h"

#include <string>
#include <string_view>

struct scan_reply_c {
    unsigned status = 200;
    std::string body;
    std::string content_type = "text/plain; charset=utf-8";
};

// `verdicts`, when given, are what the install reports decided: packages no longer offered to a
// hardware ID (by the SHA-256 their signature covers and the device ID of the matching entry,
// upper-case), and packages of the testing channel offered to everyone.
scan_reply_c answer_scan_request(std::string_view content_type, std::string_view body, const catalog_index_c& catalog,
                                 const answer_settings_c& answer, const request_limits_c& limits, std::size_t answer_bytes,
                                 const report_verdicts_c* verdicts = nullptr);

// Takes out the offers this client is not to get: a signed package demoted for the matched device
// ID, and a package of the testing channel that has not graduated unless the client takes testing.
void drop_withheld_offers(std::vector<std::vector<driver_offer_c>>& offers, const catalog_index_c& catalog, bool testing,
                          const report_verdicts_c* verdicts);
