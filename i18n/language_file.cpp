#include "i18n/language_file.h"

#include <regex>

namespace {

const std::regex& section_pattern() {
    static const std::regex pattern(R"(^\s*\[(.*)\]\s*$)", std::regex::ECMAScript);
    return pattern;
}

const std::regex& text_pattern() {
    static const std::regex pattern(R"re(^\s*([^;].*)\s*=\s*"(.+)"\s*$)re", std::regex::ECMAScript);
    return pattern;
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

std::optional<std::string> match_section_line(const std::string& line) {
    std::smatch match;
    if (!std::regex_match(line, match, section_pattern())) return std::nullopt;
    return match[1].str();
}

std::optional<std::pair<std::string, std::string>> match_text_line(const std::string& line) {
    std::smatch match;
    if (!std::regex_match(line, match, text_pattern())) return std::nullopt;
    return std::make_pair(match[1].str(), match[2].str());
}

std::string unescape_value(std::string value) {
    replace_all(value, "\\t", "\t");
    replace_all(value, "\\n", "\n");
    return value;
}
