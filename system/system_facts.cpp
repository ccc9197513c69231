#include "system/system_facts.h"

#include "common/format_size.h"

#include <limits>

std::wstring compose_os_text(std::wstring_view caption, std::wstring_view build_number, std::wstring_view csd_version) {
    std::wstring text(caption);
    if (!build_number.empty()) {
        text += L" Build ";
        text += build_number;
    }
    if (!csd_version.empty()) {
        text += L" ";
        text += csd_version;
    }
    return text;
}

std::uint64_t parse_capacity(std::wstring_view text) {
    if (text.empty()) return 0;
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        std::uint64_t digit = std::uint64_t(c - L'0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return 0;
        value = value * 10 + digit;
    }
    return value;
}

std::wstring compose_memory_text(const std::vector<std::wstring>& capacities) {
    std::uint64_t sum = 0;
    for (const auto& capacity : capacities) sum += parse_capacity(capacity);
    std::string text = format_size(std::int64_t(sum > std::uint64_t(std::numeric_limits<std::int64_t>::max())
                                                    ? std::numeric_limits<std::int64_t>::max()
                                                    : sum));
    return std::wstring(text.begin(), text.end());
}
