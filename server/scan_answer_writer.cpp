#include "server/scan_answer_writer.h"

#include "server/code_page_encoder.h"
#include "server/windows_code_pages.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace {

// What the writer does with each byte of a text.
enum byte_kind_c : unsigned char { kind_plain, kind_markup, kind_beyond_ascii };

constexpr std::array<byte_kind_c, 256> byte_kinds = [] {
    std::array<byte_kind_c, 256> kinds{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        bool markup = byte < 0x20 || byte == '&' || byte == '<' || byte == '>' || byte == '"';
        kinds[byte] = byte >= 0x80 ? kind_beyond_ascii : markup ? kind_markup : kind_plain;
    }
    return kinds;
}();

byte_kind_c kind_of(char c) { return byte_kinds[static_cast<unsigned char>(c)]; }

void append_escaped_character(std::string& out, char c) {
    switch (c) {
    case '&': out += "&amp;"; break;
    case '<': out += "&lt;"; break;
    case '>': out += "&gt;"; break;
    case '"': out += "&quot;"; break;
    default:
        // Control characters cannot appear in an XML document at all.
        out += (c != '\t' && c != '\n' && c != '\r') ? ' ' : c;
    }
}

void append_percent_escaped(std::string& out, unsigned char byte) {
    static const char hex[] = "0123456789ABCDEF";
    out += '%';
    out += hex[byte >> 4];
    out += hex[byte & 0xF];
}

enum class beyond_ascii_c { as_is, encoded, percent_escaped };

// Appends the text escaped for the document, whole runs at a time: texts are mostly plain ASCII,
// the same bytes in every code page.
void append_escaped(std::string& out, std::string_view text, beyond_ascii_c beyond, const code_page_encoder_c* encoder) {
    auto copied = [beyond](char c) {
        return kind_of(c) == kind_plain || (kind_of(c) == kind_beyond_ascii && beyond == beyond_ascii_c::as_is);
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t run = at;
        while (at < text.size() && copied(text[at])) ++at;
        out.append(text.data() + run, at - run);
        if (at == text.size()) break;
        if (kind_of(text[at]) == kind_markup) {
            append_escaped_character(out, text[at++]);
        } else if (beyond == beyond_ascii_c::percent_escaped) {
            append_percent_escaped(out, static_cast<unsigned char>(text[at++]));
        } else {
            // UTF-8 sequences are made of bytes from 0x80 up, so such a run holds whole
            // characters. The encoder writes no byte below 0x40 for them: no markup comes out.
            run = at;
            while (at < text.size() && kind_of(text[at]) == kind_beyond_ascii) ++at;
            encoder->append(out, text.substr(run, at - run));
        }
    }
}

// Bytes as they are: the ids the client sent, which are in its code page already, and numbers.
void append_bytes(std::string& out, std::string_view bytes) { append_escaped(out, bytes, beyond_ascii_c::as_is, nullptr); }

// A catalog text (UTF-8) in the client's code page.
void append_text(std::string& out, std::string_view text, const code_page_encoder_c& encoder) {
    append_escaped(out, text, beyond_ascii_c::encoded, &encoder);
}

// A link as the client keeps it, as bytes: characters beyond ASCII percent-escaped in UTF-8, as a
// browser sends them, so that the link means the same whatever the client's code page.
void append_link(std::string& out, std::string_view link) { append_escaped(out, link, beyond_ascii_c::percent_escaped, nullptr); }

void open_element(std::string& out, std::string_view name) {
    out += '<';
    out += name;
    out += '>';
}

void close_element(std::string& out, std::string_view name) {
    out += "</";
    out += name;
    out += '>';
}

void append_element(std::string& out, std::string_view name, std::string_view text, const code_page_encoder_c& encoder) {
    open_element(out, name);
    append_text(out, text, encoder);
    close_element(out, name);
}

void append_bytes_element(std::string& out, std::string_view name, std::string_view bytes) {
    open_element(out, name);
    append_bytes(out, bytes);
    close_element(out, name);
}

// Appends the text with everything but unreserved characters (RFC 3986) percent-escaped.
void append_url_component(std::string& out, std::string_view text) {
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '.' ||
                     u == '_' || u == '~';
        if (plain) out += c;
        else append_percent_escaped(out, u);
    }
}

void append_number_element(std::string& out, std::string_view name, std::uint64_t number, int base = 10) {
    char text[24];
    char* end = std::to_chars(text, text + sizeof text, number, base).ptr;
    open_element(out, name);
    out.append(text, std::size_t(end - text));
    close_element(out, name);
}

void append_item(std::string& out, const catalog_index_c& index, const driver_offer_c& offer,
                 const answer_settings_c& settings, const code_page_encoder_c& encoder) {
    const package_view_c package = index.package(offer);
    const entry_view_c entry = index.entry(offer);
    const inf_view_c inf = index.inf(offer);

    out += "<item>";
    append_element(out, "hardid", entry.device_id, encoder);
    append_element(out, "title", package.title, encoder);
    append_element(out, "ver", inf.driver_version, encoder);
    append_number_element(out, "size", package.size);
    append_element(out, "guid", inf.class_guid, encoder);
    open_element(out, "link");
    append_link(out, settings.package_base_url);
    append_url_component(out, package.file_name);
    close_element(out, "link");
    open_element(out, "infpath");
    append_text(out, package_folder_name(package.file_name), encoder);
    out += '/';
    append_text(out, inf.inf_path, encoder);
    close_element(out, "infpath");
    if (!package.official_link.empty()) {
        open_element(out, "official_link");
        append_link(out, package.official_link);
        close_element(out, "official_link");
    }
    append_number_element(out, "cp", offer.cp);
    append_element(out, "manu", entry.manufacturer, encoder);
    append_number_element(out, "sign", std::uint64_t(package.sign));
    append_number_element(out, "feature", unsigned(entry.feature_score < 0 ? 0xFF : entry.feature_score & 0xFF), 16);
    append_number_element(out, "targetos", std::uint64_t(entry.target_os()));
    append_element(out, "date", inf.driver_date, encoder);
    append_element(out, "desc", entry.description, encoder);
    out += "</item>\n";
}

}  // namespace

unsigned answer_code_page(const scan_request_c& request) { return ansi_code_page_for_oem(request.lang); }

std::string scan_answer_content_type(const scan_request_c& request) {
    return std::string("text/xml; charset=") + charset_of_code_page(answer_code_page(request));
}

std::string escape_url_component(std::string_view text) {
    std::string out;
    append_url_component(out, text);
    return out;
}

std::string_view package_folder_name(std::string_view file_name) {
    std::string_view folder = file_name.substr(0, file_name.rfind('.'));
    return folder.empty() ? std::string_view("package") : folder;
}

std::vector<std::vector<driver_offer_c>> offers_for_request(const scan_request_c& request, const catalog_index_c& index,
                                                            std::size_t most) {
    client_target_c target = client_target_for(request.os_code);
    match_budget_c budget;
    std::vector<std::vector<driver_offer_c>> offers;
    offers.reserve(request.devices.size());
    for (const requested_device_c& device : request.devices) offers.push_back(index.offers_for(device, target, most, budget));
    return offers;
}

answer_writing_c write_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                                   const std::vector<std::vector<driver_offer_c>>& offers, const answer_settings_c& settings,
                                   std::size_t most_bytes, std::string& out) {
    // Every text in the client's ANSI code page, which is how the program reads answers, and the
    // declaration names it: the program's XML reader then takes the bytes as they are. (Under a
    // declaration naming UTF-8, or one without an encoding, it would read them as UTF-8.)
    const code_page_encoder_c& encoder = code_page_encoder_c::for_code_page(answer_code_page(request));
    answer_writing_c writing;
    for (const auto& device_offers : offers) writing.items_offered += std::min(device_offers.size(), settings.items_per_device);
    // Room for what is to be written, from the number of devices and items (an item is about
    // 700 bytes), so that the answer is written once without moving.
    out.clear();
    out.reserve(std::min(most_bytes + 1024, 256 + request.devices.size() * 160 + writing.items_offered * 800));
    out += "<?xml version=\"1.0\" encoding=\"";
    out += charset_of_code_page(encoder.code_page());
    out += "\"?>\n<kelvdoc>\n<hardwares>\n";
    for (std::size_t d = 0; d < request.devices.size(); ++d) {
        out += "<hardware>";
        // The id goes back byte for byte as it came, so that the program finds its device.
        append_bytes_element(out, "id", request.devices[d].id);
        out += '\n';
        if (d < offers.size()) {
            std::size_t count = std::min(offers[d].size(), settings.items_per_device);
            for (std::size_t i = 0; i < count; ++i) {
                append_item(out, index, offers[d][i], settings, encoder);
                ++writing.items_written;
                if (out.size() > most_bytes) return writing;
            }
        }
        out += "</hardware>\n";
        if (out.size() > most_bytes) return writing;
    }
    out += "</hardwares>\n</kelvdoc>\n";
    writing.complete = out.size() <= most_bytes;
    return writing;
}

std::string write_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                              const answer_settings_c& settings) {
    std::string out;
    write_scan_answer(request, index, offers_for_request(request, index, settings.items_per_device), settings,
                      std::size_t(-1) / 2, out);
    return out;
}
