#include "system/command_line.h"

#include "common/text_compare.h"

bool is_single_switch(const std::vector<std::wstring>& arguments, const wchar_t* name) {
    return arguments.size() == 2 && equal_ignoring_case(arguments[1], name);
}
