#include "common/format_size.h"

#include <cstdio>

std::string format_size(std::int64_t bytes) {
    constexpr std::int64_t kilo = 1024, mega = kilo * 1024, giga = mega * 1024;
    char text[32];
    if (bytes > giga)
        std::snprintf(text, sizeof text, "%.2fG", double(bytes) / double(giga));
    else if (bytes > mega)
        std::snprintf(text, sizeof text, "%.2fM", double(bytes) / double(mega));
    else if (bytes > kilo)
        std::snprintf(text, sizeof text, "%.2fK", double(bytes) / double(kilo));
    else
        std::snprintf(text, sizeof text, "%lldB", static_cast<long long>(bytes));
    return text;
}
