// Fuzzes what the update server reads from the network: the multipart body with its zlib
// stream, and the request document itself.
#include "server/scan_request_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    request_limits_c limits;
    limits.inflated_bytes = 1u << 20;
    limits.devices = 64;
    scan_request_c request;
    request_failure_c failure;
    if (data[0] & 1) {
        parse_request_document(bytes, limits, request, failure);
    } else {
        read_scan_request("multipart/form-data; boundary=b", bytes, limits, request, failure);
    }
    return 0;
}
