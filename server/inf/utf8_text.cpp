#include "server/inf/utf8_text.h"

#include <cstdint>
#include <cstring>

bool next_utf8_character(std::string_view text, std::size_t& at, char32_t& character) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned lead = byte(at);
    if (lead < 0x80) {
        character = lead;
        ++at;
        return true;
    }
    std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return false;
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        unsigned next = byte(at + i);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return false;
        }
        code = (code << 6) | (next & 0x3F);
    }
    static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++at;
        return false;
    }
    character = code;
    at += length;
    return true;
}

bool is_ascii(std::string_view text) {
    // Eight bytes at a time: request documents hold thousands of device IDs.
    std::uint64_t high = 0;
    std::size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, sizeof word);
        high |= word;
    }
    for (; at < text.size(); ++at) high |= static_cast<unsigned char>(text[at]);
    return (high & 0x8080808080808080u) == 0;
}

bool is_well_formed_utf8(std::string_view text) {
    std::size_t at = 0;
    char32_t character;
    while (at < text.size()) {
        // ASCII runs are the common case.
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        if (!next_utf8_character(text, at, character)) return false;
    }
    return true;
}

std::string well_formed_utf8(std::string_view text) {
    if (is_well_formed_utf8(text)) return std::string(text);
    std::string out;
    std::size_t at = 0;
    char32_t character = 0;
    while (at < text.size()) append_utf8(out, next_utf8_character(text, at, character) ? character : 0xFFFD);
    return out;
}

void append_utf8(std::string& out, char32_t character) {
    static const unsigned lead[] = {0x00, 0xC0, 0xE0, 0xF0};
    int tail = character < 0x80 ? 0 : character < 0x800 ? 1 : character < 0x10000 ? 2 : 3;
    out += char(lead[tail] | (character >> (6 * tail)));
    for (int shift = 6 * (tail - 1); shift >= 0; shift -= 6) out += char(0x80 | ((character >> shift) & 0x3F));
}
