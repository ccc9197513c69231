// Joining a folder and a name: the program's one path joiner.
#pragma once

#include <string>

constexpr wchar_t windows_path_separator = L'\\';
#ifdef _WIN32
constexpr wchar_t path_separator = windows_path_separator;
#else
constexpr wchar_t path_separator = L'/';
#endif

// The folder, exactly one separator, then the name (just the name when the folder is empty);
// separators at the folder's end and the name's start are not doubled. Paths of this system take
// its own separator; Windows paths worked out in portable code (data_places.h) name theirs.
inline std::wstring join_path(std::wstring folder, const std::wstring& name, wchar_t separator = path_separator) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    if (folder.empty()) return name;
    std::size_t start = 0;
    while (start < name.size() && (name[start] == L'\\' || name[start] == L'/')) ++start;
    return folder + separator + name.substr(start);
}

// The folder joined with a relative path whose parts may be separated by "/" or "\"; the result
// uses this system's separator throughout the relative part.
inline std::wstring join_relative(const std::wstring& folder, std::wstring relative) {
    for (wchar_t& c : relative)
        if (c == L'/' || c == L'\\') c = path_separator;
    return join_path(folder, relative);
}
