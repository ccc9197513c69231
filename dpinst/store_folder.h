// Names inside the driver store that the installer keeps where Windows keeps none (Wine): a
// package's folder "<inf name>_<architecture>_<first 16 digits of the MD5 of the INF>" under
// System32\DriverStore\FileRepository, in the form Windows gives its own folders, and the place
// of each package file inside it.
#pragma once

#include <string>

std::wstring store_folder_name(const std::wstring& inf_file_name, const std::wstring& architecture,
                               const std::string& inf_md5_hex);

// The source file's path relative to the package folder ("amd64\a.sys"), or only its file name
// when it does not lie inside the package folder. Both paths use "\" and are compared without
// regard to case.
std::wstring store_relative_path(const std::wstring& package_folder, const std::wstring& source_path);
