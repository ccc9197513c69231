// Writes UTF-8 text in a Windows ANSI code page, as WideCharToMultiByte does without best-fit
// mapping: every character the code page lacks becomes "?". Tables, not a conversion per text,
// since the scan answer writer calls this for every text it writes. The encoder of UTF-8 itself
// (utf8_code_page) keeps every character and makes only bytes that are no UTF-8 "?".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class code_page_encoder_c {
public:
    // The shared encoder of an ANSI code page that ansi_code_page_for_oem() gives, or of UTF-8
    // (any other number gives Windows-1252's). Built on first use from iconv's tables, read-only after
    // that, so every thread may use it.
    static const code_page_encoder_c& for_code_page(unsigned code_page);

    unsigned code_page() const { return code_page_; }
    // Appends the text in the code page; a byte that is not well-formed UTF-8 gives "?" as well.
    void append(std::string& out, std::string_view utf8) const;
    void append_character(std::string& out, char32_t character) const;

private:
    explicit code_page_encoder_c(unsigned code_page);
    unsigned code_page_;
    // Per character of the Basic Multilingual Plane: 0 where the code page lacks it, one byte
    // below 0x100, otherwise two bytes (a double-byte character, or a letter and a combining
    // mark in 1258), the first in the high half.
    std::vector<std::uint16_t> bytes_;
};
