// The one byte range of a "Range" request header that the file service honours.
#pragma once

#include <cstdint>
#include <string_view>

struct byte_range_c {
    enum class kind_c { whole, partial, unsatisfiable } kind = kind_c::whole;
    std::uint64_t first = 0;   // for partial: first byte
    std::uint64_t length = 0;  // for partial: number of bytes
};

// "bytes=N-", "bytes=N-M" and "bytes=-N" give a partial range (or unsatisfiable past the end);
// anything else, several ranges included, is served whole, as HTTP allows.
byte_range_c parse_byte_range(std::string_view header, std::uint64_t file_size);
