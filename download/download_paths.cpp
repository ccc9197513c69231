#include "download/download_paths.h"

#include "common/md5.h"
#include "common/path_join.h"
#include "common/text_convert.h"

namespace {

bool allowed_in_file_name(wchar_t c) {
    return c >= 0x20 && c != 0x7F && std::wstring_view(L"\\/:*?\"<>|").find(c) == std::wstring_view::npos;
}

}  // namespace

std::wstring download_extension(const std::wstring& link_file_name) {
    const std::wstring name = link_file_name.substr(0, link_file_name.find_first_of(L"?#"));
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 == name.size()) return L".exe";
    std::wstring extension = name.substr(dot);
    for (wchar_t c : extension)
        if (!allowed_in_file_name(c)) return L".exe";
    return extension;
}

download_paths_c make_download_paths(const std::wstring& download_folder, const std::string& link) {
    const std::wstring wide_link = ansi_to_wide(link);
    const std::size_t slash = wide_link.rfind(L'/');
    const std::wstring file_name = slash == std::wstring::npos ? wide_link : wide_link.substr(slash + 1);
    // The digest is taken over the file name as it stands, query included.
    const std::wstring base = join_path(download_folder, utf8_to_wide(md5_of_text(wide_to_ansi(file_name))));
    download_paths_c paths;
    paths.final_path = base + download_extension(file_name);
    paths.temp_path = paths.final_path + L".tmp";
    return paths;
}
