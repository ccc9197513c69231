#include "server/models_decoration.h"

#include "common/text_compare.h"

namespace {

// The text before the first "." (all of it without one); `text` keeps what follows the ".".
std::string_view take_part(std::string_view& text) {
    std::size_t dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    return part;
}

// Decimal, or hexadecimal after "0x" when `hex_allowed`; at most 0xFFFFFFFF. 0 for anything else.
std::uint32_t number(std::string_view text, bool hex_allowed) {
    bool hex = hex_allowed && text.size() > 2 && text[0] == '0' && ascii_lower(text[1]) == 'x';
    if (hex) text.remove_prefix(2);
    if (text.empty()) return 0;
    std::uint64_t value = 0;
    for (char c : text) {
        char lower = ascii_lower(c);
        int digit = c >= '0' && c <= '9' ? c - '0' : (hex && lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1);
        if (digit < 0) return 0;
        value = value * (hex ? 16 : 10) + std::uint64_t(digit);
        if (value > 0xFFFFFFFFu) return 0;
    }
    return std::uint32_t(value);
}

}  // namespace

models_decoration_c parse_models_decoration(std::string_view decoration) {
    models_decoration_c parsed;
    if (decoration.empty()) return parsed;
    std::string_view platform = take_part(decoration);
    if (platform.size() >= 2 && equal_ignoring_ascii_case(platform.substr(0, 2), "NT")) platform.remove_prefix(2);
    parsed.form = platform.empty() ? decoration_form_c::nt : decoration_form_c::nt_architecture;
    if (!platform.empty()) parsed.architecture = ascii_lowered(platform);
    // Versions as the reader has always taken them: up to 99999, anything else 0.
    auto version = [](std::string_view text) {
        std::uint32_t value = number(text, false);
        return value > 99999 ? 0 : int(value);
    };
    parsed.os_major = version(take_part(decoration));
    parsed.os_minor = version(take_part(decoration));
    parsed.product_type = number(take_part(decoration), true);
    parsed.suite_mask = number(take_part(decoration), true);
    parsed.build = number(take_part(decoration), false);
    return parsed;
}
