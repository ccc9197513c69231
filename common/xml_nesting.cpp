#include "common/xml_nesting.h"

namespace {

// Where the text after `from` holds `end`, just past it; the text's size when it does not.
std::size_t past(std::string_view text, std::size_t from, std::string_view end) {
    std::size_t at = text.find(end, from);
    return at == std::string_view::npos ? text.size() : at + end.size();
}

bool starts_with(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.compare(at, prefix.size(), prefix) == 0;
}

}  // namespace

bool xml_nesting_within(std::string_view text, std::size_t most) {
    std::size_t depth = 0;
    for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        if (starts_with(text, at, "<!--")) {
            at = past(text, at + 4, "-->");
        } else if (starts_with(text, at, "<![CDATA[")) {
            at = past(text, at + 9, "]]>");
        } else if (starts_with(text, at, "<?")) {
            at = past(text, at + 2, "?>");
        } else if (starts_with(text, at, "<!")) {
            at = past(text, at + 2, ">");
        } else if (starts_with(text, at, "</")) {
            if (depth > 0) --depth;
            at = past(text, at + 2, ">");
        } else {
            // An element's tag, to its '>' outside quotes; "/>" closes it at once.
            char quote = 0;
            std::size_t end = at + 1;
            for (; end < text.size(); ++end) {
                char c = text[end];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            if (end >= text.size()) return true;  // cut short: the parser says so
            if (text[end - 1] != '/' && ++depth > most) return false;
            at = end + 1;
        }
    }
    return true;
}
