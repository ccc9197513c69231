// Fuzzes the headers the update server reads from anyone: the first line as a Range header and as
// a Content-Type, the rest as the body; a range must lie inside the file, a form field inside the body.
#include "server/http/byte_range.h"
#include "server/scan/scan_request_reader.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace {

void check_range(std::string_view header, std::uint64_t size) {
    const byte_range_c range = parse_byte_range(header, size);
    if (range.kind == byte_range_c::kind_c::whole) return;
    // Only a single "bytes=" range is ever honoured.
    if (header.find("bytes=") == std::string_view::npos || header.find(',') != std::string_view::npos)
        __builtin_trap();
    if (range.kind == byte_range_c::kind_c::partial) {
        // first <= last < size, with last = first + length - 1 computed without overflow.
        if (range.length == 0 || range.first >= size || range.length > size - range.first) __builtin_trap();
        const std::uint64_t last = range.first + range.length - 1;
        if (last < range.first || last >= size) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t line_end = input.find('\n');
    const std::string_view header = input.substr(0, line_end);
    const std::string_view body = line_end == std::string_view::npos ? std::string_view() : input.substr(line_end + 1);

    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    for (std::uint64_t file_size : {std::uint64_t(0), std::uint64_t(1), std::uint64_t(2), std::uint64_t(1000),
                                    std::uint64_t(body.size()), std::uint64_t(1) << 63, most - 1, most})
        check_range(header, file_size);

    for (std::string_view name : {std::string_view("kelvdoc"), std::string_view("file"), std::string_view()}) {
        std::string_view content;
        if (!find_form_field(header, body, name, content)) continue;
        // The content is a piece of the body, and a delimiter line follows it there.
        if (content.data() < body.data() || content.size() > body.size() ||
            std::size_t(content.data() - body.data()) > body.size() - content.size())
            __builtin_trap();
        const std::size_t after = std::size_t(content.data() - body.data()) + content.size();
        if (body.substr(after, 4) != "\r\n--") __builtin_trap();
    }

    request_limits_c limits;
    limits.inflated_bytes = 1u << 20;
    limits.devices = 64;
    scan_request_c request;
    request_failure_c failure;
    if (!read_scan_request(header, body, limits, request, failure) && failure.status != 400 && failure.status != 413)
        __builtin_trap();
    return 0;
}
