// The files of a driver package folder, depth first (a folder's content right after the folder),
// names in order, skipping every name that begins with a full stop.
#pragma once

#include <string>
#include <vector>

struct package_file_c {
    std::wstring path;      // full path
    std::wstring relative;  // below the package folder, parts joined with "\"
};

std::vector<package_file_c> package_files(const std::wstring& folder);
