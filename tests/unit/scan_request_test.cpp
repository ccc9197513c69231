#include "service/scan_request.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <sstream>

namespace {

std::string golden(const char* name) {
    std::ifstream in(std::string(VANTOREL_SOURCE_DIR "/tests/golden/") + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

device_c make_device(const wchar_t* path, const wchar_t* matching, std::vector<std::wstring> hardware,
                     std::vector<std::wstring> compatible) {
    device_c record;
    wcscpy(record.instance_path, path);
    wcscpy(record.matching_device_id, matching);
    record.hardware_ids = make_multi_string(hardware);
    record.compatible_ids = make_multi_string(compatible);
    return record;
}

std::string inflate_all(const std::vector<unsigned char>& packed) {
    std::string out(1 << 20, '\0');
    uLongf size = uLongf(out.size());
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &size, packed.data(), uLong(packed.size())), Z_OK);
    out.resize(size);
    return out;
}

}  // namespace

TEST(scan_request, a_small_store_prints_exactly_the_golden_bytes) {
    device_store_c store;
    store.devices.push_back(make_device(L"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1",
                                        L"pci\\ven_10de&dev_1c82&subsys_85c41043",
                                        {L"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1",
                                         L"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043", L"PCI\\VEN_10DE&DEV_1C82&CC_030000"},
                                        {L"PCI\\VEN_10DE&DEV_1C82"}));
    // No driver: an empty matching ID; a hardware list that starts empty is left out.
    store.devices.push_back(make_device(L"USB\\VID_045E&PID_028E", L"", {L""}, {L"USB\\MS_COMP_XUSB10", L"USB\\Class_FF"}));
    machine_description_c query;
    query.os_code = "WIN764";
    query.lang = 437;
    query.model = L"System Product Name";
    EXPECT_EQ(build_scan_request(store, query), golden("scan_request_small.xml"));
}

TEST(scan_request, an_empty_store_and_a_model_that_needs_escaping) {
    device_store_c store;
    machine_description_c query;
    query.os_code = "WINXP";
    query.lang = 850;
    query.model = L"Fish & Chips <\"Deluxe\"> Caf\u00E9";  // the é leaves in the ANSI code page
    EXPECT_EQ(build_scan_request(store, query), golden("scan_request_empty_escaped.xml"));
    // A user who takes packages still in testing says so; the golden above shows the attribute
    // is left out otherwise.
    query.testing_channel = true;
    EXPECT_NE(build_scan_request(store, query).find(" channel=\"testing\""), std::string::npos);
}

TEST(scan_request, the_compressed_request_is_one_zlib_stream_of_the_document) {
    device_store_c store;
    for (int i = 0; i < 300; ++i)
        store.devices.push_back(make_device((L"PCI\\VEN_8086&DEV_" + std::to_wstring(1000 + i)).c_str(), L"x",
                                            {L"A" + std::to_wstring(i), L"B"}, {L"C"}));
    machine_description_c query;
    query.os_code = "WIN7";
    std::string document = build_scan_request(store, query);
    std::vector<unsigned char> packed;
    ASSERT_TRUE(compress_request(packed, document));
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(packed[0], 0x78);
    EXPECT_EQ(packed[1], 0x9C);
    EXPECT_EQ(inflate_all(packed), document);
    // Incompressible input and empty input round-trip too.
    std::string noise;
    std::uint32_t seed = 1;
    for (int i = 0; i < 100000; ++i) noise += char((seed = seed * 1103515245u + 12345u) >> 24);
    ASSERT_TRUE(compress_request(packed, noise));
    EXPECT_EQ(inflate_all(packed), noise);
    ASSERT_TRUE(compress_request(packed, ""));
    EXPECT_EQ(inflate_all(packed), "");
}
