// Descriptive facts about the machine, read once through WMI at start-up and shown on the home
// page's sidebar. Each text stays empty until (and unless) its query finds a value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct system_facts_c {
    std::wstring model;
    std::wstring operating_system;
    std::wstring processor;
    std::wstring memory;
    std::wstring display;
    std::wstring sound;
    std::wstring storage;
    // WMI was reached: an empty text is a fact WMI has no value for. Until then every fact is
    // unknown (the program starts without WMI).
    bool wmi_reached = false;
};

// "Caption", then " Build " and the build number when it is not empty, then " " and the
// service-pack text when it is not empty.
std::wstring compose_os_text(std::wstring_view caption, std::wstring_view build_number, std::wstring_view csd_version);

// Parses a decimal capacity; anything that is not a whole non-negative 64-bit number gives 0.
std::uint64_t parse_capacity(std::wstring_view text);

// The memory text: format_size of the summed module capacities (no modules gives "0B").
std::wstring compose_memory_text(const std::vector<std::wstring>& capacities);
