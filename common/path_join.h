// Joining a folder and a name with this system's separator.
#pragma once

#include <string>

#ifdef _WIN32
constexpr wchar_t path_separator = L'\\';
#else
constexpr wchar_t path_separator = L'/';
#endif

// The folder, exactly one separator, then the name (just the name when the folder is empty).
inline std::wstring join_path(std::wstring folder, const std::wstring& name) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    if (folder.empty()) return name;
    return folder + path_separator + name;
}
