// What a [Manufacturer] line's decoration (TargetOSVersion) says of the systems its models
// section is meant for:
//   NT[Architecture][.[OSMajorVersion][.[OSMinorVersion][.[ProductType][.[SuiteMask][.[BuildNumber]]]]]]
// e.g. "NTamd64.10.0...17763" (x64, Windows 10 from build 17763 on) or "NTx86....0x80".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How a models section is named: without a decoration, with "NT" and no architecture, or with one.
enum class decoration_form_c : std::uint8_t { none, nt, nt_architecture };

struct models_decoration_c {
    decoration_form_c form = decoration_form_c::none;
    std::string architecture = "x86";  // lower case ("$arch$" of a template stays so); x86 without one
    int os_major = 0, os_minor = 0;    // 0 and 0 when no version is named
    std::uint32_t product_type = 0;    // VER_NT_WORKSTATION 1, VER_NT_SERVER 3 ...; 0 when not named
    std::uint32_t suite_mask = 0;      // VER_SUITE_ flags; 0 when not named
    std::uint32_t build = 0;           // the lowest build of the named version; 0 when not named
};

// "" is the undecorated section. Fields are read as the program reads them, decimal or
// hexadecimal after "0x" (common/inf_values.h); fields that are no number count as not named.
models_decoration_c parse_models_decoration(std::string_view decoration);

// A [Manufacturer] line's decorations as the catalog keeps them: separated by ",", which no
// decoration holds (a comma separates an INF line's fields).
constexpr char decoration_separator = ',';

// Calls `each` with every decoration of a kept list, in order; empty parts are passed over.
template <typename Each>
void for_each_decoration(std::string_view decorations, const Each& each) {
    while (!decorations.empty()) {
        std::size_t end = decorations.find(decoration_separator);
        std::string_view decoration = decorations.substr(0, end);
        if (!decoration.empty()) each(decoration);
        decorations.remove_prefix(end == std::string_view::npos ? decorations.size() : end + 1);
    }
}
