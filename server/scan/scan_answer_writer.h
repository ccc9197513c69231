// Writes the answer document: one "hardware" element per requested device, in request order,
// with its "id" as sent and one "item" per offered package. The program reads the answer's texts
// in its ANSI code page: they are written in the one that goes with the OEM code page the
// request names, and the document and its content type say which.
#pragma once

#include "server/catalog/catalog_index.h"
#include "server/scan/scan_request_reader.h"

#include <string>
#include <string_view>
#include <vector>

struct answer_settings_c {
    std::string package_base_url;   // ends in "/"; a package's link is this plus its escaped file name
    std::size_t items_per_device = 20;
};

// The offers for every requested device, in request order, at most `most` each. Devices that
// ask with the same IDs (identical ports and hubs, or a request repeating one device) are matched
// once. `over_budget`, when given, tells whether the request used up the catalog lines one
// request may weigh (match_budget_c), so that later devices may have missed offers.
std::vector<std::vector<driver_offer_c>> offers_for_request(const scan_request_c& request, const catalog_index_c& index,
                                                            std::size_t most, bool* over_budget = nullptr);

// The ANSI code page the answer to this request is written in, and its HTTP content type.
unsigned answer_code_page(const scan_request_c& request);
std::string scan_answer_content_type(const scan_request_c& request);

struct answer_writing_c {
    bool complete = false;         // the whole document, within the limit
    std::size_t items_offered = 0; // items the document would hold whole
    std::size_t items_written = 0;
};
// Writes the answer document with at most settings.items_per_device of each device's offers into
// `out`, stopping as soon as it passes `most_bytes`.
answer_writing_c write_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                                   const std::vector<std::vector<driver_offer_c>>& offers, const answer_settings_c& settings,
                                   std::size_t most_bytes, std::string& out);
// The whole answer, without a limit.
std::string write_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                              const answer_settings_c& settings);

// The path the program shows for the INF: a first folder (the package's name without its
// extension) and the INF's path inside the package.
std::string_view package_folder_name(std::string_view file_name);
