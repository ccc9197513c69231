// One scan request to its reply, apart from HTTP: the posted form read, offers weighed within
// the request's budget, the answer fitted to the size the program takes.
#pragma once

#include "server/catalog/catalog_index.h"
#include "server/scan/scan_answer_writer.h"
#include "server/scan/scan_request_reader.h"

#include <string>
#include <string_view>

struct scan_reply_c {
    unsigned status = 200;
    std::string body;
    std::string content_type = "text/plain; charset=utf-8";
};

scan_reply_c answer_scan_request(std::string_view content_type, std::string_view body, const catalog_index_c& catalog,
                                 const answer_settings_c& answer, const request_limits_c& limits, std::size_t answer_bytes);
