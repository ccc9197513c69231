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
    enum class role_c { other, root, container, span } role = role_c::other;
    std::size_t begin = 0;  // where its start tag begins
};
using role_c = open_element_c::role_c;

// Follows the root, its first container and the container's elements for the spans.
class span_finder_c {
public:
    explicit span_finder_c(xml_element_spans_c& spans) : spans_(spans) {}

    // The role of an element that opens under `open` (the elements open around it).
    role_c role_of(const std::vector<open_element_c>& open, std::string_view name) {
        if (open.empty()) {
            if (root_seen_) return role_c::other;
            root_seen_ = true;
            return role_c::root;
        }
        const role_c parent = open.back().role;
        if (parent == role_c::root && !container_seen_ && name == spans_.container) {
            container_seen_ = true;
            return role_c::container;
        }
        if (parent == role_c::container && name == spans_.element) return role_c::span;
        return role_c::other;
    }
    void found(std::size_t begin, std::size_t end) { spans_.found.push_back({begin, end}); }
    void cut_short(const std::vector<open_element_c>& open) {
        for (const open_element_c& element : open)
            if (element.role == role_c::span) spans_.closed = false;
    }

private:
    xml_element_spans_c& spans_;
    bool root_seen_ = false;
    bool container_seen_ = false;
};

bool scan(std::string_view text, std::size_t most, xml_children_tally_c& tally, span_finder_c& finder) {
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
            at = past(text, at + 2, ">");
            if (open.empty()) continue;
            if (open.back().role == role_c::span) finder.found(open.back().begin, at);
            open.pop_back();
        } else if (!name_start(next)) {
            // No element ("<!DOCTYPE", "< b"): the parser keeps it as an unknown node, to its '>'.
            at = past(text, at + 1, ">");
        } else {
            std::size_t name_end = at + 1;
            while (name_end < text.size() && name_part(text[name_end])) ++name_end;
            const std::string_view name = text.substr(at + 1, name_end - at - 1);
            const std::size_t end = past_tag(text, name_end);
            if (end == std::string_view::npos) {
                finder.cut_short(open);
                return true;  // cut short: the parser says so
            }
            if (!open.empty() && open.back().name == tally.parent && name == tally.child &&
                open.back().tallied < tally.most_each) {
                ++open.back().tallied;
                ++tally.counted;
            }
            const role_c role = finder.role_of(open, name);
            // "/>" closes the element at once.
            if (text[end - 2] == '/') {
                if (role == role_c::span) finder.found(at, end);
            } else {
                if (open.size() >= most) return false;
                open.push_back({name, 0, role, at});
            }
            at = end;
        }
    }
    finder.cut_short(open);
    return true;
}

}  // namespace

bool xml_nesting_within(std::string_view text, std::size_t most, xml_children_tally_c& tally,
                        xml_element_spans_c& spans) {
    span_finder_c finder(spans);
    return scan(text, most, tally, finder);
}

bool xml_nesting_within(std::string_view text, std::size_t most, xml_children_tally_c& tally) {
    xml_element_spans_c nothing;
    return xml_nesting_within(text, most, tally, nothing);
}

bool xml_nesting_within(std::string_view text, std::size_t most) {
    xml_children_tally_c nothing;
    return xml_nesting_within(text, most, nothing);
}
