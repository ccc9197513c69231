#include "download/zip_entry_name.h"

#include "common/text_compare.h"

#include <cwctype>

namespace {

bool reserved_device(const std::wstring& component) {
    // Windows treats "nul.txt" and "COM1.inf" as the devices too, and ignores trailing spaces.
    std::wstring stem = component.substr(0, component.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') stem.pop_back();
    for (wchar_t& c : stem) c = wchar_t(std::towupper(std::wint_t(c)));
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") return true;
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'1' && stem[3] <= L'9';
}

bool safe_component(const std::wstring& component) {
    if (component.empty() || component == L"." || component == L"..") return false;
    for (wchar_t c : component)
        if (c < 0x20 || c == 0x7F || std::wstring_view(L"<>\"|?*:").find(c) != std::wstring_view::npos) return false;
    return !reserved_device(component);
}

}  // namespace

bool safe_entry_name(const std::wstring& name) {
    if (name.empty() || name[0] == L'/' || name[0] == L'\\') return false;
    // A folder entry ends in one separator; the components before it must all be sound.
    std::wstring body = name;
    if (body.back() == L'/' || body.back() == L'\\') body.pop_back();
    std::size_t start = 0;
    while (true) {
        const std::size_t end = body.find_first_of(L"/\\", start);
        if (!safe_component(body.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)))
            return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}
