#include "dpinst/store_folder.h"

#include "common/text_compare.h"

#include <algorithm>
#include <cwctype>

namespace {

std::wstring file_name_of(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring store_folder_name(const std::wstring& inf_file_name, const std::wstring& architecture,
                               const std::string& inf_md5_hex) {
    return wide_lowered(inf_file_name) + L"_" + wide_lowered(architecture) + L"_" +
           std::wstring(inf_md5_hex.begin(), inf_md5_hex.begin() + std::min<std::size_t>(16, inf_md5_hex.size()));
}

std::wstring store_relative_path(const std::wstring& package_folder, const std::wstring& source_path) {
    std::wstring folder = package_folder;
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    folder += L'\\';
    if (source_path.size() > folder.size() && wide_lowered(source_path.substr(0, folder.size())) == wide_lowered(folder)) {
        // Wine doubles the separator before a [SourceDisksNames] path that starts with one.
        std::wstring relative;
        for (wchar_t c : source_path.substr(folder.size()))
            if (c != L'\\' || (!relative.empty() && relative.back() != L'\\')) relative += c;
        if (relative.find(L"..") == std::wstring::npos) return relative;
    }
    return file_name_of(source_path);
}
