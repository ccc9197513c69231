#include "download/download_paths.h"

#include "common/md5.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "service/package_trust.h"

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
    // The file name the package's signature covers: neither a query nor an escape a mirror adds
    // to the link changes the name or the extension of the file on disk.
    const std::string file_name = link_file_name(link);
    const std::wstring base = join_path(download_folder, utf8_to_wide(md5_of_text(file_name)));
    download_paths_c paths;
    paths.final_path = base + download_extension(ansi_to_wide(file_name));
    paths.temp_path = paths.final_path + L".tmp";
    return paths;
}
