// Reads a scan request as the program posts it: a multipart form whose field "kelvdoc" holds
// the zlib stream of the request document. Every step is bounded, since the bytes come from
// anyone who can reach the service.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct requested_device_c {
    std::string id;                            // "id" exactly as sent, in the client's code page
    std::string matching_id;                   // "matchid", as UTF-8
    std::vector<std::string_view> device_ids;  // hardware IDs, then compatible IDs, each once, as UTF-8
    std::size_t hardware_id_count = 0;         // how many of device_ids are hardware IDs
};

struct scan_request_c {
    std::string os_code;
    std::string os_build;  // the client's "build" attribute as sent; empty from older programs
    std::string machine;   // its "machine" attribute ("x86", "amd64", "arm64"); empty from older programs
    std::string model;
    int lang = 0;
    bool utf8_answer = false;  // the client reads every text of the answer in UTF-8 (charset="utf-8")
    bool testing = false;      // the user takes packages of the testing channel (channel="testing")
    std::vector<requested_device_c> devices;
    // What device_ids point into: the document, parsed where it lies, and the IDs that were
    // decoded from the client's code page. A request is moved, never copied.
    std::unique_ptr<std::string> document;
    std::vector<std::unique_ptr<std::string>> decoded_ids;
};

struct request_limits_c {
    std::size_t inflated_bytes = 8u << 20;   // the request document after inflating
    std::size_t markup = 256u * 1024;        // "<" in the document, which bounds the parser's nodes
    std::size_t devices = 4096;
    std::size_t ids_per_device = 64;
    // What a request may inflate to per "hardware" element it holds (and once more for the
    // document around them): its IDs at the most a device may send, with room to spare. A stream
    // that inflates past it is refused as soon as the inflated part shows it, before it is parsed.
    std::size_t bytes_per_device = 32u << 10;
};

struct request_failure_c {
    int status = 0;       // 400 or 413
    std::string reason;   // short, for the answer body and the log
};

// The content of the form field `name`, or false when the body is not a well-formed
// multipart form holding that field. `content_type` is the request's Content-Type header.
bool find_form_field(std::string_view content_type, std::string_view body, std::string_view name,
                     std::string_view& content);

enum class inflate_outcome_c { complete, too_large, corrupt };
// Inflates one zlib stream in fixed chunks, stopping as soon as the output would pass
// `most_bytes`. Only a stream that ends properly and uses all input counts as complete.
// With `bytes_per_device`, also too large once the inflated part passes that many bytes for each
// "hardware" element it holds, plus one.
inflate_outcome_c inflate_bounded(std::string_view stream, std::size_t most_bytes, std::string& out,
                                  std::size_t bytes_per_device = 0);

// Reads the request document; false with `failure` (status 400 or 413) for anything malformed.
bool parse_request_document(std::string_view document, const request_limits_c& limits,
                            scan_request_c& request, request_failure_c& failure);
bool parse_request_document(std::string&& document, const request_limits_c& limits, scan_request_c& request,
                            request_failure_c& failure);

// The three steps together, from the HTTP request's Content-Type and body.
bool read_scan_request(std::string_view content_type, std::string_view body, const request_limits_c& limits,
                       scan_request_c& request, request_failure_c& failure);
