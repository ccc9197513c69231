// Fuzzes the INF reader with whatever a driver package may carry.
#include "server/inf/inf_driver_info.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    inf_file_c inf;
    inf_error_c error;
    if (!parse_inf_text(std::string_view(reinterpret_cast<const char*>(data), size), inf, error)) return 0;
    inf_driver_info_c info;
    read_driver_info(inf, info, error);
    std::string out;
    for (const auto& section : inf.sections())
        for (const auto& line : section.lines)
            for (const auto& value : line.values) inf.substitute(value, out);
    return 0;
}
