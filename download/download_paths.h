// The two file names of a package in the download folder: the MD5 digest of the file name the
// package's signature covers (the link's last component without query or fragment, escapes
// decoded) with that name's extension, and the same with ".tmp" while bytes arrive. Two links
// with the same file name in different server folders share their files.
#pragma once

#include <string>

struct download_paths_c {
    std::wstring temp_path;   // ".../<digest><extension>.tmp"
    std::wstring final_path;  // ".../<digest><extension>"
};

download_paths_c make_download_paths(const std::wstring& download_folder, const std::string& link);

// The extension a download file gets from the link's file name (the text after the last "/"):
// from its last "." up to a "?" or "#", when that is more than the dot and holds nothing a
// Windows file name cannot; otherwise ".exe".
std::wstring download_extension(const std::wstring& link_file_name);
