// Fuzzes what the update server reads from the network: the multipart body with its zlib
// stream, and the request document itself; and the answer written back, which repeats the ids
// as they came in the code page the request names.
#include "server/scan/scan_answer_writer.h"
#include "server/scan/scan_request_reader.h"

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
    bool read = (data[0] & 1) ? parse_request_document(bytes, limits, request, failure)
                              : read_scan_request("multipart/form-data; boundary=b", bytes, limits, request, failure);
    if (read) {
        static const catalog_index_c empty_catalog({});
        write_scan_answer(request, empty_catalog, answer_settings_c{});
    }
    return 0;
}
