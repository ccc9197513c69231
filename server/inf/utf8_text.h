// UTF-8 as the catalog keeps its texts: reading characters one at a time, checking that a text
// is well-formed, writing characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Reads the character that starts at text[at] and moves `at` past it. A byte that does not begin
// a well-formed sequence (overlong forms, surrogates and values past U+10FFFF included) gives
// false, and `at` moves past that one byte only.
bool next_utf8_character(std::string_view text, std::size_t& at, char32_t& character);

bool is_ascii(std::string_view text);

// True when every byte belongs to a well-formed sequence.
bool is_well_formed_utf8(std::string_view text);

// The text with every byte that is not part of a well-formed sequence replaced by U+FFFD.
std::string well_formed_utf8(std::string_view text);

void append_utf8(std::string& out, char32_t character);
