#include "app/command_line.h"

#include <cwctype>

namespace {

bool equal_ignoring_case(const std::wstring& a, const wchar_t* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(std::wint_t(a[i])) != std::towlower(std::wint_t(b[i]))) return false;
    return i == a.size() && b[i] == L'\0';
}

}  // namespace

bool is_single_switch(const std::vector<std::wstring>& arguments, const wchar_t* name) {
    return arguments.size() == 2 && equal_ignoring_case(arguments[1], name);
}
