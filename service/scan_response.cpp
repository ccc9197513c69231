#include "service/scan_response.h"

#include "common/fixed_text.h"
#include "common/text_convert.h"
#include "common/xml_nesting.h"

#include <tinyxml.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

constexpr std::uint32_t most_items = 500;
// Real answers carry a few items per device. These bounds, far above any real answer, keep what
// one answer may allocate (its document tree, then the item records of about 8 KB each, twice
// that where wchar_t is 4 bytes) within a few dozen MB, even for 5 MiB of hostile markup.
constexpr std::size_t most_items_per_answer = 3000;
// Every '<' may open a node of the tree and every '=' an attribute: counting them bounds the tree
// before it is built.
constexpr std::size_t most_markup = 200000;
// An answer nests five levels deep (answer, hardwares, hardware, item, field).
constexpr std::size_t most_nesting = 32;
// The parser may read a little past a multi-byte sequence cut short at the end: keep NULs there.
constexpr std::size_t padding = 8;

const char* child_text(const TiXmlElement& parent, const char* name) {
    const TiXmlElement* child = parent.FirstChildElement(name);
    if (!child) return "";
    const char* text = child->GetText();
    return text ? text : "";
}

template <std::size_t Capacity>
void copy_wide(wchar_t (&field)[Capacity], const char* text) {
    copy_text(field, std::wstring_view(ansi_to_wide(text)));
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
template <std::size_t Capacity>
void copy_link(char (&field)[Capacity], const char* text) {
    std::string_view link = without_blanks_around(text);
    copy_text(field, without_blanks_around(link.substr(0, Capacity - 1)));
}

std::uint32_t unsigned_number(const char* text, int base) {
    // Leading digits only; no digits gives 0.
    return std::uint32_t(std::strtoul(text, nullptr, base));
}

// The signature check of an item, on the texts as they arrived.
item_check_c check_item(const TiXmlElement& element, const package_trust_c& trust) {
    offered_texts_c texts;
    texts.link = child_text(element, "link");
    texts.size = child_text(element, "size");
    texts.inf_path = child_text(element, "infpath");
    texts.version = child_text(element, "ver");
    texts.date = child_text(element, "date");
    texts.sha256 = child_text(element, "sha256");
    texts.sig = child_text(element, "sig");
    return check_offered_item(texts, trust);
}

void read_item(const TiXmlElement& element, driver_item_c& item) {
    copy_wide(item.hardid, child_text(element, "hardid"));
    copy_wide(item.title, child_text(element, "title"));
    copy_wide(item.version, child_text(element, "ver"));
    copy_wide(item.guid, child_text(element, "guid"));
    copy_link(item.link, child_text(element, "link"));
    copy_link(item.official_link, child_text(element, "official_link"));
    std::wstring inf = ansi_to_wide(child_text(element, "infpath"));
    for (auto& c : inf)
        if (c == L'/') c = L'\\';
    // The path inside the package follows the first separator; without one there is none.
    std::size_t first = inf.find(L'\\');
    copy_text(item.inf_name, std::wstring_view(first == std::wstring::npos ? std::wstring() : inf.substr(first + 1)));
    copy_wide(item.manufacturer, child_text(element, "manu"));
    copy_wide(item.date, child_text(element, "date"));
    copy_wide(item.description, child_text(element, "desc"));
    item.size = unsigned_number(child_text(element, "size"), 10);
    item.cp = unsigned_number(child_text(element, "cp"), 10);
    item.sign = unsigned_number(child_text(element, "sign"), 10);
    item.feature = unsigned_number(child_text(element, "feature"), 16);
    item.targetos = unsigned_number(child_text(element, "targetos"), 10);
}

}  // namespace

std::uint32_t parse_items(const TiXmlElement& hardware, device_c& device, answer_trust_c& trust) {
    const TiXmlElement* first = hardware.FirstChildElement("item");
    if (!first) return 0;
    const std::uint32_t count = item_children(hardware);
    device.items.assign(count, driver_item_c{});
    device.best_index = device.latest_index = -1;
    std::uint32_t seen = 0, kept = 0;
    for (const TiXmlElement* item = first; item && seen < count; item = item->NextSiblingElement("item"), ++seen) {
        // Checked before anything is matched or shown: a refused item is as if never offered.
        const item_check_c check = check_item(*item, trust.trust);
        if (check.verdict == item_verdict_c::refused) {
            ++trust.refused;
            continue;
        }
        if (check.verdict == item_verdict_c::unsigned_allowed) ++trust.unsigned_taken;
        driver_item_c& stored = device.items[kept++];
        read_item(*item, stored);
        stored.signed_package = check.sha256.has_value();
        if (check.sha256) stored.sha256 = *check.sha256;
    }
    device.items.resize(kept);
    return kept;
}

namespace {

bool parse_document(std::string_view body, device_store_c& store, answer_trust_c& trust) {
    if (markup_count(body) > most_markup) return false;
    // Deeper than any answer nests, and shallow enough for a worker thread's stack.
    if (!xml_nesting_within(body, most_nesting)) return false;
    std::string padded(body);
    padded.append(padding, '\0');
    TiXmlDocument document;
    document.Parse(padded.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    // A cut or damaged answer is a failed scan, not one in which every device after the damage
    // silently has no update.
    if (document.Error()) return false;
    TiXmlElement* root = document.RootElement();
    if (!root) return false;
    TiXmlElement* hardwares = root->FirstChildElement("hardwares");
    TiXmlElement* hardware = hardwares ? hardwares->FirstChildElement("hardware") : nullptr;
    if (!hardware || !hardware->FirstChildElement("id")) return false;
    std::size_t items_stored = 0;
    while (hardware) {
        TiXmlElement* next = hardware->NextSiblingElement("hardware");
        const TiXmlElement* id = hardware->FirstChildElement("id");
        if (!id) return false;
        const char* text = id->GetText();
        // An id without text names no device.
        device_c* device = text && *text ? find_device(store, ansi_to_wide(text).c_str()) : nullptr;
        if (device) {
            items_stored += item_children(*hardware);
            if (items_stored > most_items_per_answer) return false;
            device->item_count = parse_items(*hardware, *device, trust);
        }
        // What has been read is no longer needed: the records grow as the tree shrinks.
        hardwares->RemoveChild(hardware);
        hardware = next;
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
