// Bytes written as hexadecimal digits, two per byte, and read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Lower-case digits.
std::string hex_text(const std::uint8_t* bytes, std::size_t count);
// True when the text is exactly 2 x count digits (either case); out is then filled.
bool bytes_from_hex(std::string_view text, std::uint8_t* out, std::size_t count);
