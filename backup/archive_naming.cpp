#include "backup/archive_naming.h"

#include "common/file_open.h"
#include "common/path_join.h"
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

// The index keeps names as ANSI bytes: a character the code page lacks would come back as "?"
// and the entry would name no archive.
bool survives_ansi(wchar_t c) {
    const std::wstring one(1, c);
    return ansi_to_wide(wide_to_ansi(one)) == one;
}

std::wstring stem_of(const std::wstring& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    std::wstring stem = text.substr(begin, end - begin);
    for (wchar_t& c : stem)
        if (c < 0x20 || c == 0x7F || std::wstring_view(L" \\/:*?\"<>|").find(c) != std::wstring_view::npos ||
            !survives_ansi(c))
            c = L'-';
    if (stem.size() > longest_stem) stem.resize(longest_stem);
    while (!stem.empty() && (stem.back() == L'.' || stem.back() == L' ')) stem.pop_back();
    return stem;
}

}  // namespace

std::wstring safe_archive_stem(const std::wstring& description, const std::wstring& inf_name) {
    std::wstring stem = stem_of(description);
    if (stem.find_first_not_of(L'-') == std::wstring::npos) stem = stem_of(inf_name.substr(0, inf_name.rfind(L'.')));
    if (stem.find_first_not_of(L'-') == std::wstring::npos) return L"driver";
    // "CON", "nul.x" and the like name devices, not files.
    if (!safe_entry_name(stem + L".zip")) stem.insert(0, L"_");
    return stem;
}

std::wstring choose_archive_name(const std::wstring& description, const std::wstring& inf_name,
                                 const backup_index_c& index, const std::wstring& backup_folder) {
    const std::wstring stem = safe_archive_stem(description, inf_name);
    for (int n = 1;; ++n) {
        const std::wstring name = stem + (n == 1 ? std::wstring() : L"-" + std::to_wstring(n)) + L".zip";
        const backup_entry_c* taken = entry_named(index, name);
        if (taken && !taken->devices.empty()) {
            if (equal_ignoring_case(taken->devices.front().current.name, inf_name)) return name;
            continue;
        }
        // A file no entry names (the user's, or an archive whose entry was lost) is never replaced.
        if (!file_exists(join_path(backup_folder, name))) return name;
    }
}
