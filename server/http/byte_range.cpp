#include "server/http/byte_range.h"

#include <limits>

namespace {

// Decimal digits only, without overflow; false for anything else.
bool read_number(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text.size() > 19) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + std::uint64_t(c - '0');
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

byte_range_c parse_byte_range(std::string_view header, std::uint64_t file_size) {
    byte_range_c range;
    header = trim(header);
    constexpr std::string_view unit = "bytes=";
    if (header.substr(0, unit.size()) != unit) return range;
    std::string_view ranges = trim(header.substr(unit.size()));
    if (ranges.find(',') != std::string_view::npos) return range;
    std::size_t dash = ranges.find('-');
    if (dash == std::string_view::npos) return range;
    std::string_view from = trim(ranges.substr(0, dash)), to = trim(ranges.substr(dash + 1));
    std::uint64_t first = 0, last = 0;
    if (from.empty()) {
        // The last N bytes.
        if (!read_number(to, last)) return range;
        if (last == 0 || file_size == 0) {
            range.kind = byte_range_c::kind_c::unsatisfiable;
            return range;
        }
        std::uint64_t length = last < file_size ? last : file_size;
        range.kind = byte_range_c::kind_c::partial;
        range.first = file_size - length;
        range.length = length;
        return range;
    }
    if (!read_number(from, first)) return range;
    if (to.empty()) {
        last = std::numeric_limits<std::uint64_t>::max();
    } else if (!read_number(to, last) || last < first) {
        return range;
    }
    if (first >= file_size) {
        range.kind = byte_range_c::kind_c::unsatisfiable;
        return range;
    }
    if (last >= file_size) last = file_size - 1;
    range.kind = byte_range_c::kind_c::partial;
    range.first = first;
    range.length = last - first + 1;
    return range;
}
