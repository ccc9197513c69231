#include "server/inf/models_decoration.h"

#include "common/inf_values.h"
#include "common/text_compare.h"

namespace {

// The text before the first "." (all of it without one); `text` keeps what follows the ".".
std::string_view take_part(std::string_view& text) {
    std::size_t dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    return part;
}

// A number field as Windows reads it (common/inf_values.h); 0, not named, for anything else.
std::uint32_t number(std::string_view text) { return read_inf_number(text).value_or(0); }

}  // namespace

models_decoration_c parse_models_decoration(std::string_view decoration) {
    models_decoration_c parsed;
    if (decoration.empty()) return parsed;
    std::string_view platform = take_part(decoration);
    if (platform.size() >= 2 && equal_ignoring_ascii_case(platform.substr(0, 2), "NT")) platform.remove_prefix(2);
    parsed.form = platform.empty() ? decoration_form_c::nt : decoration_form_c::nt_architecture;
    if (!platform.empty()) parsed.architecture = ascii_lowered(platform);
    // Versions up to 99999; anything else is not named.
    auto version = [](std::string_view text) {
        std::uint32_t value = number(text);
        return value > 99999 ? 0 : int(value);
    };
    parsed.os_major = version(take_part(decoration));
    parsed.os_minor = version(take_part(decoration));
    parsed.product_type = number(take_part(decoration));
    parsed.suite_mask = number(take_part(decoration));
    parsed.build = number(take_part(decoration));
    return parsed;
}
