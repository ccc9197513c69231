#include "common/xml_nesting.h"

#include <vector>

namespace {

// Where the text after `from` holds `end`, just past it; the text's size when it does not.
std::size_t past(std::string_view text, std::size_t from, std::string_view end) {
    std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

bool starts_with(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.compare(at, prefix.size(), prefix) == 0;
}

// Characters as the parser tells names, in its "C" locale: any byte from 127 up counts as a letter.
bool name_start(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 127 || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || c == '_';
}

bool name_part(char c) { return name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':'; }

// Just past the '>' that ends the tag whose name ends at `from`, skipping quoted attribute
// values; npos when the tag is cut short.
std::size_t past_tag(std::string_view text, std::size_t from) {
    for (std::size_t at = text.find_first_of("\"'>", from); at != std::string_view::npos;
         at = text.find_first_of("\"'>", at)) {
        if (text[at] == '>') return at + 1;
        at = text.find(text[at], at + 1);
        if (at == std::string_view::npos) break;
        ++at;
    }
    return std::string_view::npos;
}

// An element open around the scan's position, and the children tallied in it.
struct open_element_c {
    std::string_view name;
    std::size_t tallied = 0;
};

}  // namespace

bool xml_nesting_within(std::string_view text, std::size_t most, xml_children_tally_c& tally) {
    std::vector<open_element_c> open;
    open.reserve(most < 64 ? most + 1 : 64);
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        const char next = at + 1 < text.size() ? text[at + 1] : '\0';
        if (next == '!' && starts_with(text, at, "<!--")) {
            at = past(text, at + 4, "-->");
        } else if (next == '!' && starts_with(text, at, "<![CDATA[")) {
            at = past(text, at + 9, "]]>");
        } else if (next == '?') {
            at = past(text, at + 2, "?>");
        } else if (next == '/') {
            if (!open.empty()) open.pop_back();
            at = past(text, at + 2, ">");
        } else if (!name_start(next)) {
            // No element ("<!DOCTYPE", "< b"): the parser keeps it as an unknown node, to its '>'.
            at = past(text, at + 1, ">");
        } else {
            std::size_t name_end = at + 1;
            while (name_end < text.size() && name_part(text[name_end])) ++name_end;
            const std::string_view name = text.substr(at + 1, name_end - at - 1);
            const std::size_t end = past_tag(text, name_end);
            if (end == std::string_view::npos) return true;  // cut short: the parser says so
            if (!open.empty() && open.back().name == tally.parent && name == tally.child &&
                open.back().tallied < tally.most_each) {
                ++open.back().tallied;
                ++tally.counted;
            }
            // "/>" closes the element at once.
            if (text[end - 2] != '/') {
                if (open.size() >= most) return false;
                open.push_back({name, 0});
            }
            at = end;
        }
    }
    return true;
}

bool xml_nesting_within(std::string_view text, std::size_t most) {
    xml_children_tally_c nothing;
    return xml_nesting_within(text, most, nothing);
}
