// The files of a driver package folder, depth first (a folder's content right after the folder),
// names in order, every name included ("." and ".." aside).
#pragma once

#include <string>
#include <vector>

struct package_file_c {
    std::wstring path;      // full path
    std::wstring relative;  // below the package folder, parts joined with "\"
};

// Lists what it can into `files`; false when anything was left out: the folder or a folder below
// it could not be listed (or is missing), or an entry is neither a file nor a folder (a link that
// leads nowhere, a device). An empty folder listed whole gives true and no files.
bool package_files(const std::wstring& folder, std::vector<package_file_c>& files);
