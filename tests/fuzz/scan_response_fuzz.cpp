// Fuzzes the program's reading of a scan answer, which comes from the network, on a stack the size
// of the query thread's.
#include "service/scan_response.h"
#include "tests/fuzz/worker_stack.h"

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const wchar_t* const paths[] = {L"PCI\\VEN_10DE&DEV_1C82", L"A", L"", L"USB\\VID_1"};
    device_store_c store;
    for (const wchar_t* path : paths) {
        device_c record;
        std::wcscpy(record.instance_path, path);
        store.devices.push_back(record);
    }
    // Unsigned items are let through, so that every field is read; the signature check of items
    // has its own target (package_trust).
    static const package_trust_c allow_unsigned{{}, true};
    answer_trust_c trust(allow_unsigned);
    run_on_worker_stack(
        [&] { parse_scan_response(std::string_view(reinterpret_cast<const char*>(data), size), store, trust); });
    return 0;
}
