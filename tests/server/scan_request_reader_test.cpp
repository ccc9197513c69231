#include "server/scan/scan_request_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <zlib.h>

#include <string>

namespace {

std::string zlib_stream(const std::string& text) {
    uLongf size = compressBound(uLong(text.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()));
    out.resize(size);
    return out;
}

// A body laid out as libcurl's form writer lays it out.
std::string form(const std::string& boundary, const std::string& field, const std::string& content) {
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + field + "\"\r\n\r\n" + content + "\r\n--" +
           boundary + "--\r\n";
}

const std::string two_devices = R"(<?xml version="1.0" encoding="UTF-8" ?>
<kelvdoc>
	<action>ACTION_UPDATE_DRIVER</action>
	<client version="" os="WIN764" lang="437" model="A &amp; B" />
	<hardwares>
		<hardware>
			<id>
				<![CDATA[PCI\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1]]>
			</id>
			<matchid>
				<![CDATA[pci\ven_10de&dev_1c82]]>
			</matchid>
			<hardids>
				<![CDATA[PCI\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1
PCI\VEN_10DE&DEV_1C82&SUBSYS_85C41043]]>
			</hardids>
			<compids>
				<![CDATA[PCI\VEN_10DE&DEV_1C82
PCI\CC_0300]]>
			</compids>
		</hardware>
		<hardware>
			<id>
				<![CDATA[ROOT\LEGACY_BEEP]]>
			</id>
			<matchid>
				<![CDATA[]]>
			</matchid>
		</hardware>
	</hardwares>
</kelvdoc>
)";

}  // namespace

TEST(form_field, finds_the_field_among_others_with_any_boundary_form) {
    std::string_view content;
    std::string body = "preamble\r\n--b1\r\nContent-Disposition: form-data; name=\"other\"\r\n\r\nx\r\n" +
                       form("b1", "kelvdoc", std::string("a\r\nb\0c", 6));
    ASSERT_TRUE(find_form_field("multipart/form-data; boundary=b1", body, "kelvdoc", content));
    EXPECT_EQ(content, std::string_view("a\r\nb\0c", 6));
    const std::string quoted_boundary = form("b 2", "kelvdoc", "z");
    ASSERT_TRUE(find_form_field("Multipart/Form-Data; charset=x; boundary=\"b 2\"", quoted_boundary, "kelvdoc", content));
    EXPECT_EQ(content, "z");
    // Header names and the disposition are read without regard to case; the name is unquoted here.
    const std::string unquoted_name = "--q\r\ncontent-disposition: FORM-DATA; name=kelvdoc\r\n\r\nv\r\n--q--\r\n";
    ASSERT_TRUE(find_form_field("multipart/form-data; boundary=q", unquoted_name, "kelvdoc", content));
    EXPECT_EQ(content, "v");
}

TEST(form_field, refuses_other_types_missing_fields_and_cut_bodies) {
    std::string_view content;
    EXPECT_FALSE(find_form_field("application/x-www-form-urlencoded", "kelvdoc=x", "kelvdoc", content));
    EXPECT_FALSE(find_form_field("multipart/form-data", form("b", "kelvdoc", "x"), "kelvdoc", content));
    EXPECT_FALSE(find_form_field("multipart/form-data; boundary=b", form("b", "other", "x"), "kelvdoc", content));
    std::string whole = form("b", "kelvdoc", "content");
    for (std::size_t cut = 0; cut < whole.size() - 8; ++cut)
        EXPECT_FALSE(find_form_field("multipart/form-data; boundary=b", whole.substr(0, cut), "kelvdoc", content)) << cut;
}

TEST(bounded_inflate, takes_only_complete_streams_within_the_cap) {
    std::string text(100000, 'x'), out;
    std::string stream = zlib_stream(text);
    EXPECT_EQ(inflate_bounded(stream, text.size(), out), inflate_outcome_c::complete);
    EXPECT_EQ(out, text);
    EXPECT_EQ(inflate_bounded(stream, text.size() - 1, out), inflate_outcome_c::too_large);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(inflate_bounded(stream.substr(0, stream.size() - 1), text.size(), out), inflate_outcome_c::corrupt);
    EXPECT_EQ(inflate_bounded(stream + "junk", text.size(), out), inflate_outcome_c::corrupt);
    EXPECT_EQ(inflate_bounded("not zlib at all", 1000, out), inflate_outcome_c::corrupt);
    EXPECT_EQ(inflate_bounded("", 1000, out), inflate_outcome_c::corrupt);
}

TEST(bounded_inflate, a_bomb_is_stopped_near_the_cap_not_inflated_whole) {
    std::string bomb = zlib_stream(std::string(16u << 20, '\0'));
    std::string out;
    EXPECT_EQ(inflate_bounded(bomb, 1u << 20, out), inflate_outcome_c::too_large);
    EXPECT_LE(out.capacity(), (2u << 20));
}

TEST(request_document, reads_the_client_and_every_device_in_order) {
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(read_scan_request("multipart/form-data; boundary=xyz", form("xyz", "kelvdoc", zlib_stream(two_devices)),
                                  request_limits_c{}, request, failure))
        << failure.reason;
    EXPECT_EQ(request.os_code, "WIN764");
    EXPECT_EQ(request.os_build, "");  // older programs send neither
    EXPECT_EQ(request.machine, "");
    EXPECT_EQ(request.model, "A & B");
    EXPECT_EQ(request.lang, 437);
    ASSERT_EQ(request.devices.size(), 2u);
    const auto& gpu = request.devices[0];
    EXPECT_EQ(gpu.id, "PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1");
    EXPECT_EQ(gpu.matching_id, "pci\\ven_10de&dev_1c82");
    EXPECT_EQ(gpu.device_ids, (std::vector<std::string_view>{"PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1",
                                                         "PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043",
                                                         "PCI\\VEN_10DE&DEV_1C82", "PCI\\CC_0300"}));
    EXPECT_EQ(gpu.hardware_id_count, 2u);
    EXPECT_EQ(request.devices[1].id, "ROOT\\LEGACY_BEEP");
    EXPECT_TRUE(request.devices[1].device_ids.empty());
}

TEST(request_document, the_clients_build_and_machine_are_read_as_sent) {
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(parse_request_document(
        std::string_view("<kelvdoc><client os=\"WIN1064\" build=\"22631\" machine=\"arm64\" lang=\"437\"/><hardwares/></kelvdoc>"),
        request_limits_c{}, request, failure));
    EXPECT_EQ(request.os_code, "WIN1064");
    EXPECT_EQ(request.os_build, "22631");
    EXPECT_EQ(request.machine, "arm64");
}

TEST(request_document, device_ids_are_read_in_the_clients_code_page_and_ids_kept_as_sent) {
    // A Russian Windows (OEM 866, ANSI 1251) writes its texts in 1251, whatever the declaration
    // says: "ROOT\Бип".
    const std::string document =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<kelvdoc><client os=\"WIN764\" lang=\"866\" /><hardwares><hardware>"
        "<id><![CDATA[ROOT\\\xC1\xE8\xEF]]></id><matchid><![CDATA[root\\\xE1\xE8\xEF]]></matchid>"
        "<hardids><![CDATA[ROOT\\\xC1\xE8\xEF]]></hardids></hardware></hardwares></kelvdoc>";
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(parse_request_document(document, request_limits_c{}, request, failure)) << failure.reason;
    ASSERT_EQ(request.devices.size(), 1u);
    EXPECT_EQ(request.devices[0].id, "ROOT\\\xC1\xE8\xEF");
    EXPECT_EQ(request.devices[0].matching_id, "root\\\xD0\xB1\xD0\xB8\xD0\xBF");
    EXPECT_EQ(request.devices[0].device_ids, (std::vector<std::string_view>{"ROOT\\\xD0\x91\xD0\xB8\xD0\xBF"}));
}

TEST(request_document, malformed_documents_get_400_and_oversized_ones_413) {
    struct case_c {
        std::string document;
        int status;
    };
    const case_c cases[] = {
        {"", 400},
        {"<kelvdoc><client os=\"WIN7\"/></kelvdoc>", 400},               // no hardwares
        {"<kelvdoc><hardwares/></kelvdoc>", 400},                        // no client os
        {"<kelvdoc><client os=\"WIN7\"/><hardwares><hardware/></hardwares></kelvdoc>", 400},  // hardware without id
        {"<kelvdoc><client os=\"WIN7\"/><hardwares><hardware><id>x</id>", 400},              // cut short
        {two_devices.substr(0, two_devices.size() - 40), 400},
        {"<kelvdoc><client os=\"WIN7\"/><hardwares>\xF0\x9F", 400},      // a UTF-8 sequence cut at the end
    };
    for (const auto& c : cases) {
        scan_request_c request;
        request_failure_c failure;
        EXPECT_FALSE(parse_request_document(c.document, request_limits_c{}, request, failure)) << c.document;
        EXPECT_EQ(failure.status, c.status) << c.document;
        EXPECT_FALSE(failure.reason.empty());
    }
    request_limits_c limits;
    limits.devices = 1;
    scan_request_c request;
    request_failure_c failure;
    EXPECT_FALSE(parse_request_document(two_devices, limits, request, failure));
    EXPECT_EQ(failure.status, 413);
    limits = request_limits_c{};
    limits.inflated_bytes = 100;
    EXPECT_FALSE(read_scan_request("multipart/form-data; boundary=b", form("b", "kelvdoc", zlib_stream(two_devices)),
                                   limits, request, failure));
    EXPECT_EQ(failure.status, 413);
}

TEST(request_document, ids_per_device_are_capped_across_both_lists) {
    request_limits_c limits;
    limits.ids_per_device = 3;
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(parse_request_document(two_devices, limits, request, failure));
    EXPECT_EQ(request.devices[0].device_ids.size(), 3u);
    EXPECT_EQ(request.devices[0].hardware_id_count, 2u);
}

TEST(request_document, repeated_ids_are_sent_once_and_markup_is_bounded) {
    std::string document = "<kelvdoc><client os=\"WIN764\"/><hardwares><hardware><id>A</id>"
                           "<hardids><![CDATA[PCI\\X\npci\\x\nPCI\\Y]]></hardids>"
                           "<compids><![CDATA[PCI\\Y\nPCI\\Z]]></compids></hardware></hardwares></kelvdoc>";
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(parse_request_document(document, request_limits_c{}, request, failure)) << failure.reason;
    EXPECT_EQ(request.devices[0].device_ids, (std::vector<std::string_view>{"PCI\\X", "PCI\\Y", "PCI\\Z"}));
    EXPECT_EQ(request.devices[0].hardware_id_count, 2u);

    std::string flood = "<kelvdoc><client os=\"WIN764\"/><hardwares>";
    for (int i = 0; i < 1000; ++i) flood += "<a/>";
    request_limits_c limits;
    limits.markup = 500;
    EXPECT_FALSE(parse_request_document(flood + "</hardwares></kelvdoc>", limits, request, failure));
    EXPECT_EQ(failure.status, 413);
}

TEST(request_document, ids_split_at_any_line_end_and_markup_counted_exactly) {
    std::string document = "<kelvdoc><client os=\"WIN764\"/><hardwares><hardware><id>A</id><hardids><![CDATA[  "
                           "PCI\\VEN_8086&DEV_A370&SUBSYS_00348086 \r\nUSB\\VID_1\rACPI\\PNP0A03\t\n\n\r"
                           "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887]]></hardids></hardware></hardwares></kelvdoc>";
    scan_request_c request;
    request_failure_c failure;
    request_limits_c limits;
    limits.markup = std::size_t(std::count(document.begin(), document.end(), '<'));
    ASSERT_TRUE(parse_request_document(document, limits, request, failure)) << failure.reason;
    EXPECT_EQ(request.devices[0].device_ids,
              (std::vector<std::string_view>{"PCI\\VEN_8086&DEV_A370&SUBSYS_00348086", "USB\\VID_1", "ACPI\\PNP0A03",
                                             "HDAUDIO\\FUNC_01&VEN_10EC&DEV_0887"}));
    limits.markup -= 1;
    EXPECT_FALSE(parse_request_document(document, limits, request, failure));
    EXPECT_EQ(failure.status, 413);
}

// A device's list of one ID repeated past the cap is read no further than the cap; a document far
// larger than its devices can need is refused from its first inflated part.
TEST(request_document, repeats_count_toward_the_cap_and_bulk_beyond_the_devices_is_refused_early) {
    std::string ids;
    for (int i = 0; i < 63; ++i) ids += "PCI\\VEN_8086&DEV_" + std::to_string(1000 + i) + "\n";
    std::string repeats;
    for (int i = 0; i < 2000; ++i) repeats += "PCI\\VEN_8086&DEV_1005\n";
    const std::string head = "<kelvdoc><client os=\"WIN764\"/><hardwares><hardware><id>A</id><hardids>";
    const std::string tail = "</hardids><compids>ACPI\\PNP0A03</compids></hardware></hardwares></kelvdoc>";
    scan_request_c request;
    request_failure_c failure;
    ASSERT_TRUE(parse_request_document(head + ids + repeats + "PCI\\LAST" + tail, request_limits_c{}, request, failure))
        << failure.reason;
    // 63 IDs and one repeat are 64 lines: the last hardware ID is not read; the compatible IDs are
    // a list of their own.
    EXPECT_EQ(request.devices[0].hardware_id_count, 63u);
    EXPECT_EQ(request.devices[0].device_ids.back(), "ACPI\\PNP0A03");

    std::string bulk = head + ids;
    while (bulk.size() < (4u << 20)) bulk += repeats;
    EXPECT_FALSE(read_scan_request("multipart/form-data; boundary=xyz", form("xyz", "kelvdoc", zlib_stream(bulk + tail)),
                                   request_limits_c{}, request, failure));
    EXPECT_EQ(failure.status, 413);
    std::string out;
    EXPECT_EQ(inflate_bounded(zlib_stream(bulk + tail), 8u << 20, out, 32u << 10), inflate_outcome_c::too_large);
    EXPECT_EQ(inflate_bounded(zlib_stream(two_devices), 8u << 20, out, 32u << 10), inflate_outcome_c::complete);
}
