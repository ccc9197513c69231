#include "server/scan/scan_request_reader.h"

#include "common/text_compare.h"
#include "server/inf/code_page_decoder.h"
#include "server/inf/utf8_text.h"
#include "server/inf/windows_code_pages.h"

#include <pugixml.hpp>
#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

std::string_view trim(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The value of parameter `name` in a header value such as `form-data; name="kelvdoc"`.
bool header_parameter(std::string_view header, std::string_view name, std::string_view& value) {
    std::size_t position = header.find(';');
    while (position != std::string_view::npos) {
        std::string_view rest = header.substr(position + 1);
        std::size_t equals = rest.find('=');
        std::size_t next = rest.find(';');
        if (equals == std::string_view::npos) return false;
        if (next != std::string_view::npos && next < equals) {
            position += 1 + next;
            continue;
        }
        std::string_view key = trim(rest.substr(0, equals));
        std::string_view raw = trim(rest.substr(equals + 1));
        std::size_t length;
        if (!raw.empty() && raw.front() == '"') {
            std::size_t close = raw.find('"', 1);
            if (close == std::string_view::npos) return false;
            length = close + 1;
            if (equal_ignoring_ascii_case(key, name)) {
                value = raw.substr(1, close - 1);
                return true;
            }
        } else {
            length = std::min(raw.find(';'), raw.size());
            if (equal_ignoring_ascii_case(key, name)) {
                value = trim(raw.substr(0, length));
                return true;
            }
        }
        std::size_t after = raw.find(';', length);
        if (after == std::string_view::npos) return false;
        position = header.size() - raw.size() + after;
    }
    return false;
}

// The Content-Disposition field name of one part's header block, or false.
bool part_field_name(std::string_view headers, std::string_view& name) {
    while (!headers.empty()) {
        std::size_t end = headers.find("\r\n");
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 2);
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        if (!equal_ignoring_ascii_case(trim(line.substr(0, colon)), "Content-Disposition")) continue;
        std::string_view value = trim(line.substr(colon + 1));
        if (!equal_ignoring_ascii_case(value.substr(0, std::min<std::size_t>(value.size(), 9)), "form-data")) return false;
        return header_parameter(value, "name", name);
    }
    return false;
}

constexpr std::uint64_t ones = 0x0101010101010101u;

// High bit set in each byte of the word that equals `byte`, and only there.
std::uint64_t bytes_equal(std::uint64_t word, unsigned char byte) {
    std::uint64_t x = word ^ (byte * ones);
    return ~(((x & (0x7F * ones)) + 0x7F * ones) | x | 0x7F * ones);
}

std::uint64_t load_word(const char* at) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    return word;
}

// Where the line starting at text[0] ends: its first line feed or carriage return, eight bytes at a time.
std::size_t line_length(std::string_view text) {
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t ends = bytes_equal(load_word(text.data() + at), '\n') | bytes_equal(load_word(text.data() + at), '\r');
        if (ends) return at + std::size_t(__builtin_ctzll(ends)) / 8;
    }
    while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
    return at;
}

// Appends one ID per line, outer blanks removed, empty lines and repeats (compared without regard
// to case, as they are matched) skipped, until `ids` holds `most`.
void split_ids(const char* text, std::size_t most, std::vector<std::string_view>& ids) {
    std::string_view rest = text ? std::string_view(text) : std::string_view();
    // Repeats count toward the bound too: a list of one ID sent a million times is read no further
    // than a real list of `most` IDs (the repeats would each be compared with every ID kept).
    for (std::size_t lines = 0; !rest.empty() && ids.size() < most && lines < most;) {
        std::size_t length = line_length(rest);
        std::string_view id = trim(rest.substr(0, length));
        rest.remove_prefix(std::min(rest.size(), length + 1));
        if (id.empty()) continue;
        ++lines;
        bool repeated = std::any_of(ids.begin(), ids.end(), [id](std::string_view seen) { return equal_ignoring_ascii_case(seen, id); });
        if (!repeated) ids.push_back(id);
    }
}

// The "<" in the text, counted eight bytes at a time up to about `most`.
std::size_t markup_count(std::string_view text, std::size_t most) {
    std::size_t count = 0, at = 0;
    for (; at + 8 <= text.size() && count <= most; at += 8)
        count += std::size_t(((bytes_equal(load_word(text.data() + at), '<') >> 7) * ones) >> 56);  // the bytes' sum
    for (; at < text.size(); ++at) count += text[at] == '<';
    return count;
}

bool fail(request_failure_c& failure, int status, std::string reason) {
    failure.status = status;
    failure.reason = std::move(reason);
    return false;
}

}  // namespace

bool find_form_field(std::string_view content_type, std::string_view body, std::string_view name,
                     std::string_view& content) {
    std::string_view type = trim(content_type.substr(0, content_type.find(';')));
    if (!equal_ignoring_ascii_case(type, "multipart/form-data")) return false;
    std::string_view boundary;
    if (!header_parameter(content_type, "boundary", boundary) || boundary.empty() || boundary.size() > 200) return false;
    const std::string delimiter = "\r\n--" + std::string(boundary);

    // The first delimiter may open the body without a line break before it.
    std::size_t position;
    if (body.substr(0, delimiter.size() - 2) == std::string_view(delimiter).substr(2)) {
        position = delimiter.size() - 2;
    } else {
        position = body.find(delimiter);
        if (position == std::string_view::npos) return false;
        position += delimiter.size();
    }
    while (position <= body.size()) {
        std::string_view rest = body.substr(position);
        if (rest.substr(0, 2) == "--") return false;  // closing delimiter: field not present
        std::size_t line_end = rest.find("\r\n");
        if (line_end == std::string_view::npos || !trim(rest.substr(0, line_end)).empty()) return false;
        rest = rest.substr(line_end + 2);
        std::size_t headers_end = rest.find("\r\n\r\n");
        std::string_view headers;
        std::size_t content_start;
        if (rest.substr(0, 2) == "\r\n") {
            content_start = 2;  // a part without headers
        } else {
            if (headers_end == std::string_view::npos) return false;
            headers = rest.substr(0, headers_end);
            content_start = headers_end + 4;
        }
        std::size_t content_end = rest.find(delimiter, content_start);
        if (content_end == std::string_view::npos) return false;
        std::string_view field;
        if (part_field_name(headers, field) && field == name) {
            content = rest.substr(content_start, content_end - content_start);
            return true;
        }
        position = body.size() - rest.size() + content_end + delimiter.size();
    }
    return false;
}

namespace {

// Whether an inflated document, or the first part of one, is no larger than its "hardware"
// elements (and one more, maybe cut at the end) can need.
bool within_device_budget(std::string_view text, std::size_t bytes_per_device) {
    std::size_t elements = 0;
    for (std::size_t at = text.find("<hardware"); at != std::string_view::npos; at = text.find("<hardware", at + 9))
        elements += text.compare(at, 10, "<hardwares") != 0;
    return text.size() <= (elements + 2) * bytes_per_device;
}

}  // namespace

inflate_outcome_c inflate_bounded(std::string_view stream, std::size_t most_bytes, std::string& out,
                                  std::size_t bytes_per_device) {
    out.clear();
    // One decompressor per thread, kept: it holds no state between streams.
    struct decompressor_c {
        libdeflate_decompressor* d = libdeflate_alloc_decompressor();
        ~decompressor_c() { libdeflate_free_decompressor(d); }
    };
    thread_local decompressor_c decompressor;
    if (!decompressor.d) return inflate_outcome_c::corrupt;
    // The whole stream at once into room that doubles until the document fits or the cap is
    // reached (a request inflates to some ten to thirty times its size). The last room is a
    // little past the cap: with no room to spare the decompressor takes a stream cut short for
    // one that does not fit.
    constexpr std::size_t slack = 4096;
    const std::size_t most_room = most_bytes + slack;
    std::size_t room = std::min(most_room, std::max<std::size_t>(stream.size() * 32, 64u << 10));
    while (true) {
        out.resize(room);
        std::size_t read = 0, written = 0;
        libdeflate_result result = libdeflate_zlib_decompress_ex(decompressor.d, stream.data(), stream.size(), out.data(), room,
                                                                 &read, &written);
        if (result == LIBDEFLATE_SUCCESS) {
            if (written > most_bytes) break;
            if (bytes_per_device && !within_device_budget(std::string_view(out.data(), written), bytes_per_device)) break;
            // Bytes after the stream's end are not part of any document.
            if (read != stream.size()) {
                out.clear();
                return inflate_outcome_c::corrupt;
            }
            out.resize(written);
            return inflate_outcome_c::complete;
        }
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE) {
            out.clear();
            return inflate_outcome_c::corrupt;
        }
        if (room == most_room) break;
        // A part that already holds more than its devices need is refused without inflating on:
        // a few bytes of compressed repeats would otherwise cost the whole inflated size.
        if (bytes_per_device && !within_device_budget(std::string_view(out.data(), room), bytes_per_device)) break;
        room = std::min(most_room, room * 2);
    }
    out.clear();
    return inflate_outcome_c::too_large;
}

bool parse_request_document(std::string_view document, const request_limits_c& limits,
                            scan_request_c& request, request_failure_c& failure) {
    return parse_request_document(std::string(document), limits, request, failure);
}

bool parse_request_document(std::string&& document, const request_limits_c& limits, scan_request_c& request,
                            request_failure_c& failure) {
    // Texts are kept as the bytes that were sent: the program writes them in its ANSI code page.
    // Every element costs the parser a node: refuse documents with more markup than any request needs.
    if (markup_count(document, limits.markup + 1) > limits.markup)
        return fail(failure, 413, "request document has too many elements");
    // The parser works in the request's own copy of the bytes and never reads past them; the
    // device IDs are views into it.
    request.document = std::make_unique<std::string>(std::move(document));
    request.decoded_ids.clear();
    pugi::xml_document xml;
    pugi::xml_parse_result parsed = xml.load_buffer_inplace(request.document->data(), request.document->size(),
                                                            pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) return fail(failure, 400, std::string("malformed request document: ") + parsed.description());
    pugi::xml_node root = xml.document_element();
    if (!root) return fail(failure, 400, "empty request document");
    pugi::xml_node hardwares = root.child("hardwares");
    if (!hardwares) return fail(failure, 400, "request document has no hardwares element");
    pugi::xml_node client = root.child("client");
    pugi::xml_attribute os = client.attribute("os");
    if (!os) return fail(failure, 400, "request document names no client os");
    request.os_code = os.value();
    request.os_build = client.attribute("build").value();
    request.machine = client.attribute("machine").value();
    request.model = client.attribute("model").value();
    request.lang = client.attribute("lang").as_int();
    request.utf8_answer = equal_ignoring_ascii_case(client.attribute("charset").value(), "utf-8");
    request.testing = equal_ignoring_ascii_case(client.attribute("channel").value(), "testing");

    // Device IDs are compared with the catalog's, which are UTF-8; the program sends them in its
    // ANSI code page. The ids that name devices stay as they were sent.
    code_page_decoder_c decoder(ansi_code_page_for_oem(request.lang));
    request.devices.clear();
    for (pugi::xml_node hardware = hardwares.child("hardware"); hardware; hardware = hardware.next_sibling("hardware")) {
        if (request.devices.size() == limits.devices)
            return fail(failure, 413, "more than " + std::to_string(limits.devices) + " devices");
        pugi::xml_node id = hardware.child("id");
        if (!id) return fail(failure, 400, "a hardware element has no id");
        requested_device_c& device = request.devices.emplace_back();
        device.device_ids.reserve(16);
        device.id = trim(id.child_value());
        device.matching_id = trim(hardware.child("matchid").child_value());
        split_ids(hardware.child("hardids").child_value(), limits.ids_per_device, device.device_ids);
        device.hardware_id_count = device.device_ids.size();
        split_ids(hardware.child("compids").child_value(), limits.ids_per_device, device.device_ids);
        if (!is_ascii(device.matching_id)) device.matching_id = decoder.to_utf8(device.matching_id);
        for (std::string_view& device_id : device.device_ids) {
            if (is_ascii(device_id)) continue;
            request.decoded_ids.push_back(std::make_unique<std::string>(decoder.to_utf8(device_id)));
            device_id = *request.decoded_ids.back();
        }
    }
    return true;
}

bool read_scan_request(std::string_view content_type, std::string_view body, const request_limits_c& limits,
                       scan_request_c& request, request_failure_c& failure) {
    std::string_view field;
    if (!find_form_field(content_type, body, "kelvdoc", field))
        return fail(failure, 400, "expected a multipart form with the field kelvdoc");
    std::string document;
    switch (inflate_bounded(field, limits.inflated_bytes, document, limits.bytes_per_device)) {
    case inflate_outcome_c::complete: break;
    case inflate_outcome_c::too_large: return fail(failure, 413, "request document too large");
    case inflate_outcome_c::corrupt: return fail(failure, 400, "kelvdoc is not a complete zlib stream");
    }
    return parse_request_document(std::move(document), limits, request, failure);
}
