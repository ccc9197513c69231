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
// The same for a key or signature as its file or element holds it: white space around it allowed.
bool bytes_from_hex_text(std::string_view text, std::uint8_t* out, std::size_t count);
// 0..15 for a hex digit (either case), -1 for anything else.
int hex_digit_value(char c);
// A byte as "%XX" (upper-case digits), as links and escaped texts carry it.
void append_percent_escaped(std::string& out, unsigned char byte);
// The text with each "%XX" turned back into its byte; a "%" not followed by two hex digits stays.
std::string percent_decoded(std::string_view text);
// A Windows error or status code as people look it up: "0x800F0203".
std::wstring hex_code(std::uint32_t code);
