// Comparing texts without regard to case, as Windows compares device IDs, class names and
// switches.
#pragma once

#include <cwctype>
#include <string>

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
