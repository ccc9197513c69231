#include "server/inf/inf_text_decoding.h"

#include "common/text_compare.h"
#include "server/inf/code_page_decoder.h"
#include "server/inf/utf8_text.h"
#include "server/inf/windows_code_pages.h"

#include <cstdint>
#include <map>
#include <utility>

namespace {

// 1-based number of the line holding text[end]; CRLF, LF and a lone CR each end a line.
int line_at(std::string_view text, std::size_t end) {
    int number = 1;
    for (std::size_t i = 0; i < end && i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++number;
    }
    return number;
}

std::uint32_t utf16_unit(std::string_view bytes, std::size_t at, bool big_endian) {
    auto first = std::uint32_t(std::uint8_t(bytes[at]));
    auto second = std::uint32_t(std::uint8_t(bytes[at + 1]));
    return big_endian ? (first << 8 | second) : (second << 8 | first);
}

bool decode_utf16(std::string_view bytes, bool big_endian, std::string& out, inf_error_c& error) {
    if (bytes.size() % 2 != 0) return fail(error, 0, "UTF-16 text of odd length");
    out.reserve(bytes.size() + bytes.size() / 2);
    for (std::size_t at = 0; at < bytes.size(); at += 2) {
        std::uint32_t code = utf16_unit(bytes, at, big_endian);
        if (code >= 0xDC00 && code <= 0xDFFF) return fail(error, line_at(out, out.size()), "unpaired UTF-16 surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = at + 3 < bytes.size() ? utf16_unit(bytes, at + 2, big_endian) : 0;
            if (low < 0xDC00 || low > 0xDFFF) return fail(error, line_at(out, out.size()), "unpaired UTF-16 surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            at += 2;
        }
        append_utf8(out, code);
    }
    return true;
}

// The code page of the section a header line opens: a language's for "[Strings.<hex ID>]",
// 1252 for every other section. Zero when the line opens no section.
unsigned code_page_opened_by(std::string_view line) {
    std::size_t open = line.find_first_not_of(" \t");
    if (open == std::string_view::npos || line[open] != '[') return 0;
    std::size_t close = line.find(']', open);
    if (close == std::string_view::npos) return 0;
    std::string_view name = line.substr(open + 1, close - open - 1);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    constexpr std::string_view prefix = "strings.";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 4 ||
        !equal_ignoring_ascii_case(name.substr(0, prefix.size()), prefix))
        return 1252;
    unsigned language = 0;
    for (char c : name.substr(prefix.size())) {
        char lower = ascii_lower(c);
        bool digit = c >= '0' && c <= '9', letter = lower >= 'a' && lower <= 'f';
        if (!digit && !letter) return 1252;
        language = language * 16 + unsigned(digit ? c - '0' : lower - 'a' + 10);
    }
    return ansi_code_page_for_language(language);
}

// Splits the bytes into runs of lines that share a code page and decodes each run, with one
// decoder per code page however many sections there are.
std::string decode_8bit(std::string_view bytes) {
    std::map<unsigned, code_page_decoder_c> decoders;
    auto decode = [&decoders](std::string_view run, unsigned code_page) {
        return decoders.try_emplace(code_page, code_page).first->second.to_utf8(run);
    };
    std::string text;
    unsigned code_page = 1252;
    std::size_t run = 0, at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        end = end == std::string_view::npos ? bytes.size() : end + 1;
        unsigned opened = code_page_opened_by(bytes.substr(at, end - at));
        if (opened != 0 && opened != code_page) {
            text += decode(bytes.substr(run, at - run), code_page);
            run = at;
            code_page = opened;
        }
        at = end;
    }
    return text + decode(bytes.substr(run), code_page);
}

}  // namespace

bool decode_inf_bytes(std::string_view bytes, std::string& text, inf_error_c& error) {
    text.clear();
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        if (!decode_utf16(bytes.substr(2), bytes[0] == '\xFE', text, error)) return false;
    } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = well_formed_utf8(bytes.substr(3));
    } else if (is_well_formed_utf8(bytes)) {
        text.assign(bytes);
    } else {
        text = decode_8bit(bytes);
    }
    std::size_t nul = text.find('\0');
    if (nul != std::string::npos) return fail(error, line_at(text, nul), "NUL character in the text");
    return true;
}
