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

// The folder joined with a relative path whose parts may be separated by "/" or "\"; the result
// uses this system's separator throughout the relative part.
inline std::wstring join_relative(const std::wstring& folder, std::wstring relative) {
    for (wchar_t& c : relative)
        if (c == L'/' || c == L'\\') c = path_separator;
    std::size_t start = 0;
    while (start < relative.size() && relative[start] == path_separator) ++start;
    return join_path(folder, relative.substr(start));
}
