#include "dpinst/legacy_inf.h"

#include "dpinst/inf_text.h"

namespace {

// "CatalogFile" or "CatalogFile.<platform>" before "=".
bool names_catalog(const std::u16string& line) {
    std::u16string content = inf_line_content(line);
    std::size_t equals = content.find(u'=');
    if (equals == std::u16string::npos) return false;
    std::u16string key = content.substr(0, equals);
    while (!key.empty() && (key.back() == u' ' || key.back() == u'\t')) key.pop_back();
    std::u16string word = inf_units("CatalogFile");
    if (key.size() < word.size() || !same_inf_name(key.substr(0, word.size()), word)) return false;
    return key.size() == word.size() || key[word.size()] == u'.';
}

}  // namespace

std::string inf_without_catalog(const std::string& bytes) {
    inf_text_c text = split_inf_text(bytes);
    std::vector<std::u16string> kept;
    for (auto& line : text.lines)
        if (!names_catalog(line)) kept.push_back(std::move(line));
    text.lines = std::move(kept);
    return join_inf_text(text);
}
