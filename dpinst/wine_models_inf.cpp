#include "dpinst/wine_models_inf.h"

#include "dpinst/inf_text.h"

#include <utility>
#include <vector>

namespace {

std::u16string trimmed(const std::u16string& text) {
    std::size_t first = 0, end = text.size();
    while (first < end && (text[first] == u' ' || text[first] == u'\t')) ++first;
    while (end > first && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
    return text.substr(first, end - first);
}

std::vector<std::u16string> fields(const std::u16string& text) {
    std::vector<std::u16string> result;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = text.find(u',', start);
        result.push_back(trimmed(text.substr(start, comma == std::u16string::npos ? std::u16string::npos : comma - start)));
        if (comma == std::u16string::npos) return result;
        start = comma + 1;
    }
}

std::wstring wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::u16string units(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

std::u16string line_end(const std::u16string& line) {
    std::size_t end = line.size();
    while (end > 0 && (line[end - 1] == u'\r' || line[end - 1] == u'\n')) --end;
    return line.substr(end);
}

}  // namespace

std::optional<std::string> inf_with_plain_models_decoration(const std::string& bytes, const inf_platform_c& platform) {
    inf_text_c text = split_inf_text(bytes);
    const std::u16string plain = u"NT" + units(platform.architecture);
    std::vector<std::pair<std::u16string, std::u16string>> renames;  // section name, new name
    std::u16string section;
    for (auto& line : text.lines) {
        std::u16string content = inf_line_content(line);
        if (!content.empty() && content.front() == u'[') {
            section = content.substr(1, content.find(u']') - 1);
            continue;
        }
        std::size_t equals = content.find(u'=');
        if (!same_inf_name(section, u"Manufacturer") || equals == std::u16string::npos) continue;
        auto values = fields(content.substr(equals + 1));
        std::vector<std::wstring> decorations;
        for (std::size_t i = 1; i < values.size(); ++i) decorations.push_back(wide(values[i]));
        auto chosen = choose_models_decoration(decorations, platform);
        if (!chosen || chosen->find(L'.') == std::wstring::npos) continue;
        renames.emplace_back(values[0] + u"." + plain, values[0] + u"." + plain + u".passed-over");
        renames.emplace_back(values[0] + u"." + units(*chosen), values[0] + u"." + plain);
        line = trimmed(content.substr(0, equals)) + u"=" + values[0] + u"," + plain + line_end(line);
    }
    if (renames.empty()) return std::nullopt;
    for (auto& line : text.lines) {
        std::u16string content = inf_line_content(line);
        if (content.size() < 2 || content.front() != u'[' || content.back() != u']') continue;
        std::u16string name = trimmed(content.substr(1, content.size() - 2));
        for (const auto& [from, to] : renames)
            if (same_inf_name(name, from)) {
                line = u"[" + to + u"]" + line_end(line);
                break;
            }
    }
    return join_inf_text(text);
}
