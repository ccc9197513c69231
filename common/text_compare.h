// Comparing texts without regard to case, as Windows compares device IDs, class names and
// switches.
#pragma once

#include <cwctype>
#include <string>
#include <string_view>

inline bool equal_ignoring_case(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b)
        if (std::towupper(std::wint_t(*a)) != std::towupper(std::wint_t(*b))) return false;
    return *a == *b;
}

inline bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::towupper(std::wint_t(a[i])) != std::towupper(std::wint_t(b[i]))) return false;
    return true;
}

// The text in lower case, as the C library lowers each character.
inline std::wstring wide_lowered(std::wstring text) {
    for (wchar_t& c : text) c = wchar_t(std::towlower(std::wint_t(c)));
    return text;
}

// Device IDs, INF keys and HTTP names are ASCII: these change and compare only A-Z and a-z.
inline char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
inline char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

inline std::string ascii_lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = ascii_lower(c);
    return result;
}

inline bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}
