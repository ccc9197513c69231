#include "service/scan_response.h"

#include "common/text_convert.h"
#include "common/xml_nesting.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::uint32_t most_items = 500;
// Real answers carry a few items per device. This bound, far above any real answer, keeps what
// the items of one answer take (their tree, then their records) within a few dozen MB, even for
// 5 MiB of hostile markup. The items are counted before the tree is built.
constexpr std::size_t most_items_per_answer = 3000;
// Every '<' may open a node of the tree and every '=' an attribute: counting them bounds the tree
// before it is built.
constexpr std::size_t most_markup = 200000;
// An answer nests five levels deep (answer, hardwares, hardware, item, field).
constexpr std::size_t most_nesting = 32;
// The parser may read a little past a multi-byte sequence cut short at the end: keep NULs there.
constexpr std::size_t padding = 8;

// The child elements of an item that are read, each the first of its name.
enum class item_field_c { hardid, title, ver, size, guid, link, infpath, official_link, cp, manu, sign, feature, targetos,
                          date, desc, sha256, sig, count };

constexpr const char* item_field_names[] = {"hardid", "title", "ver",  "size",    "guid",     "link", "infpath", "official_link",
                                            "cp",     "manu",  "sign", "feature", "targetos", "date", "desc",    "sha256",
                                            "sig"};
static_assert(sizeof item_field_names / sizeof *item_field_names == std::size_t(item_field_c::count));

// An item's field texts, found in one walk over its children ("" for a field it lacks).
class item_texts_c {
public:
    explicit item_texts_c(const TiXmlElement& item) {
        for (const TiXmlElement* child = item.FirstChildElement(); child; child = child->NextSiblingElement()) {
            const char* name = child->Value();
            for (std::size_t field = 0; field < std::size_t(item_field_c::count); ++field) {
                if (name[0] != item_field_names[field][0] || std::strcmp(name, item_field_names[field]) != 0) continue;
                if (!elements_[field]) elements_[field] = child;
                break;
            }
        }
    }

    const char* operator[](item_field_c field) const {
        const TiXmlElement* element = elements_[std::size_t(field)];
        const char* text = element ? element->GetText() : nullptr;
        return text ? text : "";
    }

private:
    const TiXmlElement* elements_[std::size_t(item_field_c::count)] = {};
};

// Cut after `most` units, keeping no room for the rest: a record holds no more than its text.
void cut(std::wstring& text, std::size_t most) {
    if (text.size() <= most) return;
    text.erase(most);
    text.shrink_to_fit();
}

// The answer's text (UTF-8, or the thread's ANSI code page) as UTF-16.
std::wstring answer_text(const char* text, bool utf8) { return utf8 ? utf8_to_wide(text) : ansi_to_wide(text); }

// The same, cut after `most` units.
std::wstring wide_text(const char* text, bool utf8, std::size_t most) {
    std::wstring wide = answer_text(text, utf8);
    cut(wide, most);
    return wide;
}

std::size_t markup_count(std::string_view body) {
    std::size_t count = 0;
    for (char c : body) count += (c == '<' || c == '=') ? 1 : 0;
    return count;
}

std::uint32_t item_children(const TiXmlElement& hardware) {
    std::uint32_t count = 0;
    for (const TiXmlElement* item = hardware.FirstChildElement("item"); item && count < most_items;
         item = item->NextSiblingElement("item"))
        ++count;
    return count;
}

std::string_view without_blanks_around(std::string_view text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A link without the blanks around it, also where the field cuts it: blanks are no part of an
// address, and a link is stored and read back trimmed ("setup.dat"), where it must compare
// equal to what was offered.
std::string link_text(const char* text, std::size_t most) {
    std::string_view link = without_blanks_around(text);
    return std::string(without_blanks_around(link.substr(0, most)));
}

std::uint32_t unsigned_number(const char* text, int base) {
    // Leading digits only; no digits gives 0.
    return std::uint32_t(std::strtoul(text, nullptr, base));
}

// The signature check of an item, on the texts as they arrived.
item_check_c check_item(const item_texts_c& texts, const package_trust_c& trust, bool utf8) {
    offered_texts_c offered;
    offered.utf8 = utf8;
    offered.link = texts[item_field_c::link];
    offered.size = texts[item_field_c::size];
    offered.inf_path = texts[item_field_c::infpath];
    offered.version = texts[item_field_c::ver];
    offered.date = texts[item_field_c::date];
    offered.sha256 = texts[item_field_c::sha256];
    offered.sig = texts[item_field_c::sig];
    return check_offered_item(offered, trust);
}

// The path inside the package follows the first separator ("/" or "\"); without one there is none.
std::wstring inf_name_text(const char* infpath, bool utf8) {
    std::wstring inf = answer_text(infpath, utf8);
    const std::size_t first = inf.find_first_of(L"/\\");
    if (first == std::wstring::npos) return {};
    inf.erase(0, first + 1);
    cut(inf, driver_item_c::inf_name_most);
    for (wchar_t& c : inf)
        if (c == L'/') c = L'\\';
    return inf;
}

void read_item(const item_texts_c& texts, bool utf8, driver_item_c& item) {
    using field = item_field_c;
    item.hardid = wide_text(texts[field::hardid], utf8, driver_item_c::hardid_most);
    item.title = wide_text(texts[field::title], utf8, driver_item_c::title_most);
    item.version = wide_text(texts[field::ver], utf8, driver_item_c::version_most);
    item.guid = wide_text(texts[field::guid], utf8, driver_item_c::guid_most);
    item.link = link_text(texts[field::link], driver_item_c::link_most);
    item.official_link = link_text(texts[field::official_link], driver_item_c::official_link_most);
    item.inf_name = inf_name_text(texts[field::infpath], utf8);
    item.manufacturer = wide_text(texts[field::manu], utf8, driver_item_c::manufacturer_most);
    item.date = wide_text(texts[field::date], utf8, driver_item_c::date_most);
    item.description = wide_text(texts[field::desc], utf8, driver_item_c::description_most);
    item.size = unsigned_number(texts[field::size], 10);
    item.cp = unsigned_number(texts[field::cp], 10);
    item.sign = unsigned_number(texts[field::sign], 10);
    item.feature = unsigned_number(texts[field::feature], 16);
    item.targetos = unsigned_number(texts[field::targetos], 10);
}

// Whether the item is the driver the device runs: the same version of the same date.
bool is_installed_driver(const item_texts_c& texts, bool utf8, const device_c& device) {
    return device.has_driver && answer_text(texts[item_field_c::ver], utf8) == device.driver_version &&
           answer_text(texts[item_field_c::date], utf8) == device.driver_date;
}

}  // namespace

std::uint32_t parse_items(const TiXmlElement& hardware, device_c& device, answer_trust_c& trust, bool utf8_texts) {
    device.withdrawn_reason.clear();
    const TiXmlElement* first = hardware.FirstChildElement("item");
    if (!first) return 0;
    const std::uint32_t count = item_children(hardware);
    device.items.clear();
    device.items.reserve(count);
    device.best_index = device.latest_index = -1;
    std::uint32_t seen = 0;
    for (const TiXmlElement* item = first; item && seen < count; item = item->NextSiblingElement("item"), ++seen) {
        const item_texts_c texts(*item);
        // Checked before anything is matched or shown: a refused item is as if never offered.
        const item_check_c check = check_item(texts, trust.trust, utf8_texts);
        if (check.verdict == item_verdict_c::refused) {
            ++trust.refused;
            continue;
        }
        if (check.verdict == item_verdict_c::unsigned_allowed) ++trust.unsigned_taken;
        if (const withdrawn_package_c* withdrawn = check.sha256 ? trust.statement.withdrawn(*check.sha256) : nullptr) {
            ++trust.withdrawn;
            if (is_installed_driver(texts, utf8_texts, device)) device.withdrawn_reason = utf8_to_wide(withdrawn->reason);
            continue;
        }
        driver_item_c& stored = device.items.emplace_back();
        read_item(texts, utf8_texts, stored);
        stored.signed_package = check.sha256.has_value();
        if (check.sha256) stored.sha256 = *check.sha256;
    }
    return std::uint32_t(device.items.size());
}

namespace {

// The devices by instance path, the first of each path as find_device finds it.
std::unordered_map<std::wstring_view, device_c*> devices_by_path(device_store_c& store) {
    std::unordered_map<std::wstring_view, device_c*> by_path;
    by_path.reserve(store.devices.size());
    for (device_c& device : store.devices) by_path.emplace(device.instance_path, &device);
    return by_path;
}

// Refuses, from its bytes alone, an answer whose tree would take more than any real answer's,
// and finds where its "hardware" elements lie.
bool shape_within_bounds(std::string_view body, xml_element_spans_c& hardwares) {
    if (markup_count(body) > most_markup) return false;
    // The items a reading would store at most: each device's first 500.
    xml_children_tally_c items{"hardware", "item", most_items};
    // Deeper than any answer nests, and shallow enough for a worker thread's stack.
    if (!xml_nesting_within(body, most_nesting, items, hardwares)) return false;
    return items.counted <= most_items_per_answer && hardwares.closed;
}

// A text the parser reads: the bytes, then NULs.
void set_parser_text(std::string& text, std::string_view bytes) {
    text.assign(bytes);
    text.append(padding, '\0');
}

// The answer without its "hardware" elements: the frame around them, checked on its own.
std::string frame_text(std::string_view body, const std::vector<xml_span_c>& spans) {
    std::size_t size = body.size() + padding;
    for (const xml_span_c& span : spans) size -= span.end - span.begin;
    std::string frame;
    frame.reserve(size);
    std::size_t from = 0;
    for (const xml_span_c& span : spans) {
        frame.append(body.substr(from, span.begin - from));
        from = span.end;
    }
    frame.append(body.substr(from)).append(padding, '\0');
    return frame;
}

// The encoding the parser reads the root element in: UTF-8 after a byte-order mark or a
// declaration that names UTF-8 or none, the declared legacy one otherwise, unknown without one.
TiXmlEncoding root_encoding(const TiXmlDocument& document, std::string_view body) {
    if (body.size() >= 3 && body.compare(0, 3, "\xEF\xBB\xBF") == 0) return TIXML_ENCODING_UTF8;
    for (const TiXmlNode* node = document.FirstChild(); node && !node->ToElement(); node = node->NextSibling()) {
        const TiXmlDeclaration* declaration = node->ToDeclaration();
        if (!declaration) continue;
        std::string name = declaration->Encoding();
        for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
        return name.empty() || name == "UTF-8" || name == "UTF8" ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
    }
    return TIXML_ENCODING_UNKNOWN;
}

// Checks the answer's catalog statement; false when the answer is to be refused for it.
bool believe_statement(const TiXmlElement* element, answer_trust_c& trust) {
    statement_texts_c texts;
    auto attribute = [](const TiXmlElement& from, const char* name) {
        const char* value = from.Attribute(name);
        return std::string_view(value ? value : "");
    };
    if (element) {
        texts.serial = attribute(*element, "serial");
        texts.expires = attribute(*element, "expires");
        texts.sig = attribute(*element, "sig");
        for (const TiXmlElement* withdrawn = element->FirstChildElement("withdrawn"); withdrawn;
             withdrawn = withdrawn->NextSiblingElement("withdrawn"))
            texts.withdrawn.emplace_back(attribute(*withdrawn, "sha256"), attribute(*withdrawn, "reason"));
        trust.statement = check_catalog_statement(texts, trust.trust.keys, trust.newest_serial_seen, trust.now);
    } else {
        trust.statement = {};
        trust.statement.newest_seen = trust.newest_serial_seen;
        trust.statement.now = trust.now;
    }
    switch (trust.statement.verdict) {
    case statement_verdict_c::accepted: return true;
    // A private mirror whose unsigned packages the machine's policy allows need not be signed as
    // a whole; a statement of ours that is stale is refused from every mirror.
    case statement_verdict_c::missing:
    case statement_verdict_c::not_signed: return trust.trust.allow_unsigned;
    case statement_verdict_c::expired:
    case statement_verdict_c::rolled_back: return false;
    }
    return false;
}

// Reads one "hardware" element into its device, if the store has one of its id; false when the
// element is damaged or has no id, or the answer would store too many items.
bool read_hardware(const TiXmlElement& hardware, const std::unordered_map<std::wstring_view, device_c*>& by_path,
                   std::size_t& items_stored, answer_trust_c& trust, bool utf8_texts) {
    const TiXmlElement* id = hardware.FirstChildElement("id");
    if (!id) return false;
    const char* text = id->GetText();
    // An id without text names no device.
    const auto found = text && *text ? by_path.find(answer_text(text, utf8_texts)) : by_path.end();
    if (found == by_path.end()) return true;
    items_stored += item_children(hardware);
    if (items_stored > most_items_per_answer) return false;
    found->second->item_count = parse_items(hardware, *found->second, trust, utf8_texts);
    return true;
}

// The answer is read one "hardware" element at a time, each parsed on its own after the frame
// around them: the tree of the whole answer (ten times its size) is never built, and the records
// grow while no more than one device's tree is held.
bool parse_document(std::string_view body, device_store_c& store, answer_trust_c& trust) {
    xml_element_spans_c hardwares{"hardwares", "hardware", {}, true};
    if (!shape_within_bounds(body, hardwares) || hardwares.found.empty()) return false;
    TiXmlEncoding encoding = TIXML_ENCODING_UNKNOWN;
    {
        const std::string frame = frame_text(body, hardwares.found);
        TiXmlDocument document;
        document.Parse(frame.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
        // A cut or damaged answer is a failed scan, not one in which every device after the
        // damage silently has no update.
        if (document.Error()) return false;
        const TiXmlElement* root = document.RootElement();
        const TiXmlElement* container = root ? root->FirstChildElement("hardwares") : nullptr;
        // Where the parser would find a "hardware" element the scan of the bytes did not, the two
        // read the answer differently: it is refused rather than read half.
        if (!container || container->FirstChildElement("hardware")) return false;
        encoding = root_encoding(document, body);
        if (!believe_statement(root->FirstChildElement("statement"), trust)) return trust.statement_refused = true, false;
    }
    const auto by_path = devices_by_path(store);
    // Counted again on the trees: the bound holds for the records even where the scan of the
    // bytes and the parser read a malformed answer differently.
    std::size_t items_stored = 0;
    std::string text;
    for (const xml_span_c& span : hardwares.found) {
        set_parser_text(text, body.substr(span.begin, span.end - span.begin));
        TiXmlDocument document;
        document.Parse(text.c_str(), nullptr, encoding);
        const TiXmlElement* hardware = document.RootElement();
        if (document.Error() || !hardware || hardware->NextSiblingElement()) return false;
        if (!read_hardware(*hardware, by_path, items_stored, trust, encoding == TIXML_ENCODING_UTF8)) return false;
    }
    return true;
}

}  // namespace

bool parse_scan_response(std::string_view body, device_store_c& store, answer_trust_c& trust) {
    try {
        return parse_document(body, store, trust);
    } catch (const std::bad_alloc&) {
        // Running out of memory on an answer is a bad answer, never a crash.
        return false;
    }
}
