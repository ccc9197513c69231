#include "backup/archive_naming.h"

#include "common/text_compare.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"

#include <cstring>
#include <cwctype>

namespace {

constexpr std::size_t longest_stem = 100;

bool is_space(wchar_t c) { return std::iswspace(std::wint_t(c)) != 0; }

const backup_entry_c* entry_named(const backup_index_c& index, const std::wstring& file_name) {
    const std::string bytes = wide_to_ansi(file_name);
    for (const backup_entry_c& entry : index)
        if (std::strcmp(entry.file_name, bytes.c_str()) == 0) return &entry;
    return nullptr;
}

}  // namespace

std::wstring safe_archive_stem(const std::wstring& description) {
    std::size_t begin = 0, end = description.size();
    while (begin < end && is_space(description[begin])) ++begin;
    while (end > begin && is_space(description[end - 1])) --end;
    std::wstring stem = description.substr(begin, end - begin);
    for (wchar_t& c : stem)
        if (c < 0x20 || c == 0x7F || std::wstring_view(L" \\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'-';
    if (stem.size() > longest_stem) stem.resize(longest_stem);
    while (!stem.empty() && (stem.back() == L'.' || stem.back() == L' ')) stem.pop_back();
    if (stem.empty()) return L"driver";
    // "CON", "nul.x" and the like name devices, not files.
    if (!safe_entry_name(stem + L".zip")) stem.insert(0, L"_");
    return stem;
}

std::wstring choose_archive_name(const std::wstring& description, const std::wstring& inf_name,
                                 const backup_index_c& index) {
    const std::wstring stem = safe_archive_stem(description);
    for (int n = 1;; ++n) {
        const std::wstring name = stem + (n == 1 ? std::wstring() : L"-" + std::to_wstring(n)) + L".zip";
        const backup_entry_c* taken = entry_named(index, name);
        if (!taken || taken->devices.empty() || equal_ignoring_case(taken->devices.front().current.name, inf_name))
            return name;
    }
}
