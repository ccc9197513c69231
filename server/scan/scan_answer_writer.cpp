#include "server/scan/scan_answer_writer.h"

#include "common/hex_text.h"
#include "common/text_compare.h"
#include "server/inf/code_page_decoder.h"
#include "server/inf/code_page_encoder.h"
#include "server/inf/windows_code_pages.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

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

void append_id_element(std::string& out, std::string_view id) {
    out.append("<id>");
    append_bytes(out, id);
    out.append("</id>");
}

// Two lower-case hex digits for every byte value.
constexpr std::array<char, 512> hex_pairs = [] {
    std::array<char, 512> pairs{};
    const char digits[] = "0123456789abcdef";
    for (unsigned byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = digits[byte >> 4];
        pairs[2 * byte + 1] = digits[byte & 0xF];
    }
    return pairs;
}();

// Writes the bytes as lower-case hex at `out`, which has room for twice their count.
char* write_hex(char* out, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, out += 2) std::memcpy(out, &hex_pairs[2 * bytes[i]], 2);
    return out;
}

// What a signed item's digest and signature add to it.
constexpr std::string_view sha256_open = "<sha256>", sha256_close = "</sha256><sig>", sig_close = "</sig>";
constexpr std::size_t signature_bytes = sha256_open.size() + 2 * sizeof(sha256_digest_c) + sha256_close.size() +
                                        2 * sizeof(signature_c) + sig_close.size();

// Unreserved in a URL (RFC 3986): letters, digits and - . _ ~
bool is_unreserved(char c) {
    auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '.' || u == '_' || u == '~';
}

// Appends the text with everything but unreserved characters (RFC 3986) percent-escaped.
void append_url_component(std::string& out, std::string_view text) {
    for (char c : text) {
        if (is_unreserved(c)) out += c;
        else append_percent_escaped(out, static_cast<unsigned char>(c));
    }
}

// A catalog text in the client's code page: a plain one as it is, at once.
void append_text(std::string& out, const pooled_text_c& text, const code_page_encoder_c& encoder) {
    if (text.plain()) out.append(text.text.data(), text.text.size());
    else append_text(out, text.text, encoder);
}

// An item's elements, in the order the program reads them, put through a writer that knows how
// to put each kind of text.
template <typename writer_t>
void write_item(writer_t& out, const offered_item_c& item, std::uint32_t cp, std::string_view base_link) {
    out.put("<item><hardid>");
    out.put_text(item.device_id);
    out.put("</hardid><title>");
    out.put_text(item.title);
    out.put("</title><ver>");
    out.put_text(item.driver_version);
    out.put("</ver><size>");
    out.put_number(item.size);
    out.put("</size><guid>");
    out.put_text(item.class_guid);
    out.put("</guid><link>");
    out.put(base_link);
    out.put_url_component(item.file_name.text);
    out.put("</link><infpath>");
    out.put_text({package_folder_name(item.file_name.text), item.file_name.printable_ascii, item.file_name.markup});
    out.put("/");
    out.put_text(item.inf_path);
    out.put("</infpath>");
    if (!item.official_link.text.empty()) {
        out.put("<official_link>");
        out.put_link(item.official_link);
        out.put("</official_link>");
    }
    out.put("<cp>");
    out.put_number(cp);
    out.put("</cp><manu>");
    out.put_text(item.manufacturer);
    out.put("</manu><sign>");
    out.put_number(std::uint64_t(item.sign));
    out.put("</sign><feature>");
    out.put_number(unsigned(item.feature_score < 0 ? 0xFF : item.feature_score & 0xFF), 16);
    out.put("</feature><targetos>");
    out.put_number(std::uint64_t(item.target_os));
    out.put("</targetos><date>");
    out.put_text(item.driver_date);
    out.put("</date><desc>");
    out.put_text(item.description);
    out.put("</desc>");
    if (item.signature) {
        out.put(sha256_open);
        out.put_hex(item.signature->sha256.data(), item.signature->sha256.size());
        out.put(sha256_close);
        out.put_hex(item.signature->signature.data(), item.signature->signature.size());
        out.put(sig_close);
    }
    out.put("</item>\n");
}

// Any text: escaped and converted to the client's code page as it goes into the answer.
class escaping_writer_c {
public:
    escaping_writer_c(std::string& out, const code_page_encoder_c& encoder) : out_(out), encoder_(encoder) {}
    void put(std::string_view bytes) { out_.append(bytes.data(), bytes.size()); }
    void put_text(const pooled_text_c& text) { append_text(out_, text, encoder_); }
    void put_link(const pooled_text_c& link) { append_link(out_, link.text); }
    void put_number(std::uint64_t number, int base = 10) {
        char text[24];
        out_.append(text, std::size_t(std::to_chars(text, text + sizeof text, number, base).ptr - text));
    }
    void put_url_component(std::string_view text) { append_url_component(out_, text); }
    void put_hex(const std::uint8_t* bytes, std::size_t count) {
        std::size_t at = out_.size();
        out_.resize(at + 2 * count);
        write_hex(out_.data() + at, bytes, count);
    }

private:
    std::string& out_;
    const code_page_encoder_c& encoder_;
};

// Printable ASCII only, into room for one item on the stack without a check per piece; the
// item is then appended at once.
class item_buffer_c {
public:
    static constexpr std::size_t size = 8192;
    // Room kept for the markup and the numbers, which come to less than 400 bytes; a signed
    // item's digest and signature are counted besides (signature_bytes).
    static constexpr std::size_t fixed = 600;
    void put(std::string_view text) {
        std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
    }
    // Markup escaped; the rest, printable ASCII, is the same in every code page.
    void put_text(const pooled_text_c& text) {
        if (!text.markup) return put(text.text);
        for (char c : text.text) {
            switch (c) {
            case '&': put("&amp;"); break;
            case '<': put("&lt;"); break;
            case '>': put("&gt;"); break;
            case '"': put("&quot;"); break;
            default: *at_++ = c;
            }
        }
    }
    void put_link(const pooled_text_c& link) { put_text(link); }
    void put_number(std::uint64_t number, int base = 10) { at_ = std::to_chars(at_, data_ + size, number, base).ptr; }
    // Everything but unreserved characters (RFC 3986) percent-escaped.
    void put_url_component(std::string_view text) {
        static const char hex[] = "0123456789ABCDEF";
        for (char c : text) {
            if (is_unreserved(c)) {
                *at_++ = c;
            } else {
                auto u = static_cast<unsigned char>(c);
                at_[0] = '%', at_[1] = hex[u >> 4], at_[2] = hex[u & 0xF];
                at_ += 3;
            }
        }
    }
    void put_hex(const std::uint8_t* bytes, std::size_t count) { at_ = write_hex(at_, bytes, count); }
    void append_to(std::string& out) const { out.append(data_, std::size_t(at_ - data_)); }

private:
    char data_[size];
    char* at_ = data_;
};

// An item whose texts are all printable ASCII (the usual case) goes through the stack buffer;
// false, with nothing written, for any other.
bool append_printable_item(std::string& out, const offered_item_c& item, std::uint32_t cp, std::string_view base_link) {
    const pooled_text_c* texts[] = {&item.device_id, &item.title, &item.driver_version, &item.class_guid, &item.file_name,
                                    &item.inf_path, &item.official_link, &item.manufacturer, &item.driver_date, &item.description};
    std::size_t bytes = base_link.size() + 3 * item.file_name.text.size();  // the link's file name escaped
    if (item.signature) bytes += signature_bytes;
    for (const pooled_text_c* text : texts) {
        if (!text->printable_ascii) return false;
        bytes += text->text.size() * (text->markup ? 6 : 1);
    }
    if (bytes > item_buffer_c::size - item_buffer_c::fixed) return false;
    item_buffer_c buffer;
    write_item(buffer, item, cp, base_link);
    buffer.append_to(out);
    return true;
}

void append_item(std::string& out, const offered_item_c& item, std::uint32_t cp, std::string_view base_link,
                 const code_page_encoder_c& encoder) {
    if (append_printable_item(out, item, cp, base_link)) return;
    escaping_writer_c writer(out, encoder);
    write_item(writer, item, cp, base_link);
}

}  // namespace

namespace {

std::string id_as_answered(const scan_request_c& request, std::string_view id) {
    if (!request.utf8_answer || std::all_of(id.begin(), id.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(id);
    return code_page_text_to_utf8(id, ansi_code_page_for_oem(request.lang));
}

}  // namespace

unsigned answer_code_page(const scan_request_c& request) {
    return request.utf8_answer ? utf8_code_page : ansi_code_page_for_oem(request.lang);
}

std::string scan_answer_content_type(const scan_request_c& request) {
    return std::string("text/xml; charset=") + charset_of_code_page(answer_code_page(request));
}

std::string_view package_folder_name(std::string_view file_name) {
    std::string_view folder = file_name.substr(0, file_name.rfind('.'));
    return folder.empty() ? std::string_view("package") : folder;
}

namespace {

// The first of a request's devices (or offer lists) that equals a later one, found through a hash
// in an open-addressing table made once per request: no allocation per device.
class first_equal_c {
public:
    explicit first_equal_c(std::size_t count) {
        std::size_t size = 16;
        while (size < 2 * count) size *= 2;
        slots_.resize(size);
    }
    // The first position before `position` with the same hash for which `equal` holds; when there
    // is none, `position` is recorded under the hash and returned.
    template <typename Equal>
    std::size_t find_or_add(std::uint64_t hash, std::size_t position, const Equal& equal) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = std::size_t(hash) & mask;
        for (; slots_[at].used; at = (at + 1) & mask)
            if (slots_[at].hash == hash && equal(slots_[at].position)) return slots_[at].position;
        slots_[at] = {hash, position, true};
        return position;
    }

private:
    struct slot_c {
        std::uint64_t hash = 0;
        std::size_t position = 0;
        bool used = false;
    };
    std::vector<slot_c> slots_;
};

}  // namespace

std::vector<std::vector<driver_offer_c>> offers_for_request(const scan_request_c& request, const catalog_index_c& index,
                                                            std::size_t most, bool* over_budget) {
    client_target_c target = client_target_for(request.os_code, request.os_build, request.machine);
    match_budget_c budget;
    std::vector<std::vector<driver_offer_c>> offers;
    offers.reserve(request.devices.size());
    // Devices by what they are matched with (their IDs without regard to case, and how many are
    // hardware IDs), found through a hash of the first ID and the counts, then compared in full.
    first_equal_c first_asking(request.devices.size());
    for (std::size_t d = 0; d < request.devices.size(); ++d) {
        const requested_device_c& device = request.devices[d];
        std::uint64_t key = (device.hardware_id_count << 16) ^ device.device_ids.size();
        if (!device.device_ids.empty()) key ^= device_id_hash(device.device_ids.front());
        std::size_t same = first_asking.find_or_add(key, d, [&](std::size_t earlier) {
            const requested_device_c& other = request.devices[earlier];
            if (other.hardware_id_count != device.hardware_id_count || other.device_ids.size() != device.device_ids.size())
                return false;
            for (std::size_t i = 0; i < device.device_ids.size(); ++i)
                if (other.device_ids[i] != device.device_ids[i] &&  // the same bytes, mostly
                    !equal_ignoring_ascii_case(other.device_ids[i], device.device_ids[i]))
                    return false;
            return true;
        });
        if (same == d) offers.push_back(index.offers_for(device, target, most, budget));
        else offers.push_back(offers[same]);
    }
    if (over_budget) *over_budget = budget.left == 0;
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
    // 700 bytes, a signed one 920), so that the answer is written once without moving; room that
    // is never written costs address space only.
    out.clear();
    out.reserve(std::min(most_bytes + 1024, 256 + index.statement_element().size() + request.devices.size() * 160 +
                                                writing.items_offered * 1024));
    out += "<?xml version=\"1.0\" encoding=\"";
    out += charset_of_code_page(encoder.code_page());
    out += "\"?>\n<kelvdoc>\n";
    out += index.statement_element();
    out += "<hardwares>\n";
    // The packages' base link, escaped once for every item.
    std::string base_link;
    append_link(base_link, settings.package_base_url);
    std::vector<const driver_offer_c*> in_order;
    in_order.reserve(writing.items_offered);
    for (const auto& device_offers : offers)
        for (std::size_t i = 0; i < std::min(device_offers.size(), settings.items_per_device); ++i) in_order.push_back(&device_offers[i]);
    if (!in_order.empty()) index.prefetch_records(*in_order[0]);
    if (in_order.size() > 1) index.prefetch_records(*in_order[1]);
    std::size_t written = 0;
    // Devices with the same offers (identical ports and hubs, or a request repeating a device) get
    // the same items: written once, then copied.
    first_equal_c first_offering(offers.size());
    std::vector<std::pair<std::size_t, std::size_t>> items_at(offers.size());  // each device's items in `out`
    for (std::size_t d = 0; d < request.devices.size(); ++d) {
        out += "<hardware>";
        // The id goes back as it came, so that the program finds its device: byte for byte, or in
        // UTF-8 to a client that reads the answer so.
        append_id_element(out, id_as_answered(request, request.devices[d].id));
        out += '\n';
        if (d < offers.size()) {
            std::size_t count = std::min(offers[d].size(), settings.items_per_device);
            std::uint64_t key = count;
            for (std::size_t i = 0; i < count; ++i) key = (key ^ (std::uint64_t(offers[d][i].entry) << 8 ^ offers[d][i].cp)) * 0x100000001b3ull;
            std::size_t same = count == 0 ? d : first_offering.find_or_add(key, d, [&](std::size_t earlier) {
                return std::min(offers[earlier].size(), settings.items_per_device) == count &&
                       std::memcmp(offers[earlier].data(), offers[d].data(), count * sizeof(driver_offer_c)) == 0;
            });
            items_at[d].first = out.size();
            if (same != d) {
                std::size_t length = items_at[same].second - items_at[same].first;
                out.reserve(out.size() + length);
                out.append(out.data() + items_at[same].first, length);
                written += count;
                writing.items_written += count;
                if (out.size() > most_bytes) return writing;
                count = 0;
            }
            for (std::size_t i = 0; i < count; ++i, ++written) {
                // The records of the item after next and the texts of the next are on their way
                // while this one is written.
                if (written + 2 < in_order.size()) index.prefetch_records(*in_order[written + 2]);
                if (written + 1 < in_order.size()) index.prefetch_texts(*in_order[written + 1]);
                append_item(out, index.item(offers[d][i]), offers[d][i].cp, base_link, encoder);
                ++writing.items_written;
                if (out.size() > most_bytes) return writing;
            }
            items_at[d].second = out.size();
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
