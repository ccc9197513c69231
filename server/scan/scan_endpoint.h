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

// `demoted`, when given, names packages no longer offered to a hardware ID (by the SHA-256 their
// signature covers and the device ID of the matching entry, upper-case).
scan_reply_c answer_scan_request(std::string_view content_type, std::string_view body, const catalog_index_c& catalog,
                                 const answer_settings_c& answer, const request_limits_c& limits, std::size_t answer_bytes,
                                 const demoted_pairs_c* demoted = nullptr);

// Takes the demoted offers out: a signed package whose (digest, matched device ID) is named.
void drop_demoted_offers(std::vector<std::vector<driver_offer_c>>& offers, const catalog_index_c& catalog,
                         const demoted_pairs_c& demoted);
