#include "server/catalog_index.h"
#include "server/scan_answer_writer.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

catalog_entry_c entry(const std::string& id, const std::string& architecture, int major = 0, int minor = 0,
                      int id_position = 0) {
    catalog_entry_c e;
    e.device_id = id;
    e.architecture = architecture;
    e.os_major = major;
    e.os_minor = minor;
    e.id_position = id_position;
    e.description = "Device " + id;
    e.manufacturer = "Maker";
    return e;
}

catalog_package_c package(const std::string& name, std::vector<catalog_entry_c> entries, const std::string& date = "2020-01-01") {
    catalog_package_c p;
    p.file_name = name;
    p.title = name;
    p.size = 1000;
    p.sign = signature_whql;
    p.infs.push_back({"drv/x.inf", "Provider", "{4d36e968-e325-11ce-bfc1-08002be10318}", date, "1.2.3.4"});
    p.entries = std::move(entries);
    return p;
}

requested_device_c device(std::vector<std::string> hardware, std::vector<std::string> compatible = {}) {
    requested_device_c d;
    d.id = hardware.empty() ? "X" : hardware.front();
    d.hardware_id_count = hardware.size();
    // The request's IDs are views into texts that live as long as the request: here, as long as the test.
    static std::deque<std::string> texts;
    for (auto* list : {&hardware, &compatible})
        for (std::string& id : *list) d.device_ids.push_back(texts.emplace_back(std::move(id)));
    return d;
}

std::vector<std::string> offered_names(const catalog_index_c& index, const std::vector<driver_offer_c>& offers) {
    std::vector<std::string> names;
    for (const auto& offer : offers) names.push_back(std::string(index.package(offer).file_name));
    return names;
}

}  // namespace

TEST(client_target, codes_give_version_and_architecture) {
    EXPECT_EQ(client_target_for("WIN764").version_number, 61);
    EXPECT_EQ(client_target_for("WIN764").architecture, "amd64");
    EXPECT_EQ(client_target_for("WINXP").architecture, "x86");
    EXPECT_EQ(client_target_for("WINXP").version_number, 51);
    EXPECT_EQ(client_target_for("WIN200864").version_number, 60);
    EXPECT_TRUE(client_target_for("NOT_SUPPORTED").known);
    EXPECT_FALSE(client_target_for("NOT_SUPPORTED").supported);
    EXPECT_FALSE(client_target_for("WIN11").known);
    EXPECT_FALSE(client_target_for("64").known);
    EXPECT_FALSE(client_target_for("").known);
}

TEST(client_target, windows_8_1_to_11_their_build_product_type_and_machine) {
    client_target_c ten = client_target_for("WIN1064", "22631");
    EXPECT_EQ(ten.version_number, 100);
    EXPECT_EQ(ten.os_major, 10);
    EXPECT_EQ(ten.os_minor, 0);
    EXPECT_EQ(ten.build, 22631u);
    EXPECT_EQ(ten.architecture, "amd64");
    EXPECT_EQ(ten.product_type, 1u);
    EXPECT_EQ(client_target_for("WIN10").architecture, "x86");
    EXPECT_EQ(client_target_for("WIN8164").version_number, 63);
    EXPECT_EQ(client_target_for("WIN81").architecture, "x86");
    EXPECT_EQ(client_target_for("WIN2003").product_type, 3u);
    EXPECT_EQ(client_target_for("WIN200864").product_type, 3u);
    EXPECT_EQ(client_target_for("VISTA64").product_type, 1u);
    // A build that is no decimal number is not known.
    for (const char* build : {"", "18362a", "-1", "0x4000", "1234567890"}) EXPECT_EQ(client_target_for("WIN1064", build).build, 0u) << build;
    // The machine names the architecture, whatever the code's suffix says.
    EXPECT_EQ(client_target_for("WIN1064", "22000", "arm64").architecture, "arm64");
    EXPECT_EQ(client_target_for("WIN10", "", "amd64").architecture, "amd64");
    EXPECT_FALSE(client_target_for("WIN1064", "22000", "ia64").known);
    EXPECT_FALSE(client_target_for("WIN1064", "22000", "ARM64").known);
}

TEST(match_rank, hardware_ids_before_compatible_ids_and_earlier_before_later) {
    EXPECT_LT(match_rank(false, 0, 0), match_rank(false, 1, 0));
    EXPECT_LT(match_rank(false, 9, 0), match_rank(false, 0, 1));  // the INF's compatible ID ranks lower
    EXPECT_LT(match_rank(false, 15, 3), match_rank(true, 0, 0));
    EXPECT_LT(match_rank(true, 0, 0), match_rank(true, 0, 1));
    EXPECT_EQ(match_rank(false, 40, 0), match_rank(false, 15, 0));  // positions saturate
}

TEST(catalog_index, matches_ids_without_regard_to_case_for_the_right_architecture_and_version) {
    catalog_index_c index({
        package("x64-win7.zip", {entry("PCI\\VEN_10DE&DEV_1C82", "amd64", 6, 1)}),
        package("x86-win7.zip", {entry("PCI\\VEN_10DE&DEV_1C82", "x86", 6, 1)}),
        package("x64-win8.zip", {entry("PCI\\VEN_10DE&DEV_1C82", "amd64", 6, 2)}),
        package("x64-any.zip", {entry("pci\\ven_10de&dev_1c82", "amd64")}),
        package("other.zip", {entry("PCI\\VEN_10DE&DEV_9999", "amd64")}),
    });
    auto on_win7_64 = index.offers_for(device({"PCI\\VEN_10DE&DEV_1C82"}), client_target_for("WIN764"), 20);
    EXPECT_EQ(offered_names(index, on_win7_64), (std::vector<std::string>{"x64-win7.zip", "x64-any.zip"}));
    auto on_win8_64 = index.offers_for(device({"PCI\\VEN_10DE&DEV_1C82"}), client_target_for("WIN864"), 20);
    EXPECT_EQ(on_win8_64.size(), 3u);
    auto on_xp_32 = index.offers_for(device({"PCI\\VEN_10DE&DEV_1C82"}), client_target_for("WINXP"), 20);
    EXPECT_TRUE(on_xp_32.empty());
    EXPECT_TRUE(index.offers_for(device({"PCI\\VEN_10DE&DEV_1C82"}), client_target_for("NOT_SUPPORTED"), 20).empty());
    EXPECT_TRUE(index.offers_for(device({}), client_target_for("WIN764"), 20).empty());
}

TEST(catalog_index, one_offer_per_package_through_its_closest_line_closest_packages_first) {
    catalog_index_c index({
        // Matches the device's compatible ID only.
        package("generic.zip", {entry("PCI\\CC_0300", "amd64", 6, 1)}),
        // Matches through two lines: the hardware ID line must be the one offered, and of the two
        // decorations the more specific one.
        package("vendor.zip", {entry("PCI\\VEN_1&DEV_2", "amd64", 6, 0, 1), entry("PCI\\VEN_1&DEV_2&SUBSYS_3", "amd64", 6, 0),
                               entry("PCI\\VEN_1&DEV_2&SUBSYS_3", "amd64", 6, 1)}),
        package("second-id.zip", {entry("PCI\\VEN_1&DEV_2", "amd64", 6, 1)}),
    });
    auto offers = index.offers_for(device({"PCI\\VEN_1&DEV_2&SUBSYS_3", "PCI\\VEN_1&DEV_2"}, {"PCI\\CC_0300"}),
                                   client_target_for("WIN764"), 20);
    ASSERT_EQ(offered_names(index, offers), (std::vector<std::string>{"vendor.zip", "second-id.zip", "generic.zip"}));
    EXPECT_EQ(index.entry(offers[0]).device_id, "PCI\\VEN_1&DEV_2&SUBSYS_3");
    EXPECT_EQ(index.entry(offers[0]).os_minor, 1);
    EXPECT_EQ(offers[0].cp, match_rank(false, 0, 0));
    EXPECT_EQ(offers[1].cp, match_rank(false, 1, 0));
    EXPECT_EQ(offers[2].cp, match_rank(true, 0, 0));
    EXPECT_EQ(index.offers_for(device({"PCI\\VEN_1&DEV_2&SUBSYS_3", "PCI\\VEN_1&DEV_2"}, {"PCI\\CC_0300"}),
                               client_target_for("WIN764"), 2)
                  .size(),
              2u);
}

TEST(scan_answer, every_device_in_request_order_with_escaped_texts_and_item_fields) {
    catalog_package_c p = package("nv driver+1.zip", {entry("PCI\\VEN_10DE&DEV_1C82", "amd64", 6, 1)}, "2019-12-10");
    p.entries[0].description = "GeForce <GTX> & \"Ti\"\x01";
    p.entries[0].feature_score = 0xD0;
    p.official_link = "http://vendor.example/nv?a=1&b=2";
    catalog_index_c index({p});
    scan_request_c request;
    request.os_code = "WIN764";
    request.devices = {device({"NO\\MATCH"}), device({"PCI\\VEN_10DE&DEV_1C82"})};
    request.devices[1].id = "PCI\\VEN_10DE&DEV_1C82&SUBSYS_85C41043&REV_A1";
    answer_settings_c settings;
    settings.package_base_url = "http://127.0.0.1:8080/packages/";
    std::string answer = write_scan_answer(request, index, settings);
    EXPECT_NE(answer.find("<hardware><id>NO\\MATCH</id>\n</hardware>"), std::string::npos);
    std::size_t second = answer.find("<id>PCI\\VEN_10DE&amp;DEV_1C82&amp;SUBSYS_85C41043&amp;REV_A1</id>");
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(answer.find("NO\\MATCH"), second);
    for (const char* field : {"<hardid>PCI\\VEN_10DE&amp;DEV_1C82</hardid>", "<ver>1.2.3.4</ver>", "<size>1000</size>",
                              "<link>http://127.0.0.1:8080/packages/nv%20driver%2B1.zip</link>",
                              "<infpath>nv driver+1/drv/x.inf</infpath>",
                              "<official_link>http://vendor.example/nv?a=1&amp;b=2</official_link>", "<sign>0</sign>",
                              "<feature>d0</feature>", "<targetos>61</targetos>", "<date>2019-12-10</date>",
                              "<desc>GeForce &lt;GTX&gt; &amp; &quot;Ti&quot; </desc>", "<manu>Maker</manu>",
                              "<guid>{4d36e968-e325-11ce-bfc1-08002be10318}</guid>"})
        EXPECT_NE(answer.find(field), std::string::npos) << field;
}

// Items of printable ASCII are written by a faster path than the others: both escape alike.
TEST(scan_answer, an_item_of_printable_ascii_is_escaped_as_any_other) {
    auto answer_with = [](const std::string& description) {
        catalog_package_c p = package("a&b \"c\".zip", {entry("ACPI\\<X>&Y", "amd64", 6, 1)});
        p.title = "T&<\"";
        p.official_link = "http://vendor.example/?a=1&b=<2>";
        p.infs[0].provider = "P&Q";
        p.infs[0].inf_path = "d&r/x<y>.inf";
        p.infs[0].driver_version = "1&2";
        p.entries[0].manufacturer = "M\"&\"";
        p.entries[0].description = description;
        catalog_index_c index({p});
        scan_request_c request;
        request.os_code = "WIN764";
        request.devices = {device({"ACPI\\<x>&y"})};
        answer_settings_c settings;
        settings.package_base_url = "http://127.0.0.1/p&q/";
        return write_scan_answer(request, index, settings);
    };
    std::string printable = answer_with("D&E"), other = answer_with("D&E\x01");
    ASSERT_NE(printable.find("<desc>D&amp;E</desc>"), std::string::npos) << printable;
    ASSERT_NE(other.find("<desc>D&amp;E </desc>"), std::string::npos) << other;
    other.replace(other.find("<desc>D&amp;E </desc>"), 21, "<desc>D&amp;E</desc>");
    EXPECT_EQ(printable, other);
    EXPECT_NE(printable.find("<link>http://127.0.0.1/p&amp;q/a%26b%20%22c%22.zip</link>"), std::string::npos) << printable;
    EXPECT_NE(printable.find("<infpath>a&amp;b &quot;c&quot;/d&amp;r/x&lt;y&gt;.inf</infpath>"), std::string::npos) << printable;
}

TEST(scan_answer, texts_in_the_clients_code_page_ids_as_sent_and_links_in_ascii) {
    catalog_package_c p = package("ru.zip", {entry("PCI\\VEN_8086&DEV_A368", "amd64", 6, 1)});
    p.entries[0].description = "\xD0\x9A\xD0\xBE\xD1\x80 f\xC3\xBCr <x>";  // "Кор für <x>"
    p.official_link = "http://vendor.example/f\xC3\xBCr";
    catalog_index_c index({p});
    scan_request_c request;
    request.os_code = "WIN764";
    request.lang = 866;
    request.devices = {device({"PCI\\VEN_8086&DEV_A368"})};
    request.devices[0].id = "PCI\\\xCF\xF0\xE8&1";  // "При" as a Russian Windows sends it
    answer_settings_c settings;
    std::string answer = write_scan_answer(request, index, settings);
    EXPECT_EQ(answer.rfind("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n", 0), 0u) << answer;
    EXPECT_EQ(scan_answer_content_type(request), "text/xml; charset=windows-1251");
    for (const char* field : {"<id>PCI\\\xCF\xF0\xE8&amp;1</id>", "<desc>\xCA\xEE\xF0 f?r &lt;x&gt;</desc>",
                              "<official_link>http://vendor.example/f%C3%BCr</official_link>"})
        EXPECT_NE(answer.find(field), std::string::npos) << field;

    request.lang = 437;
    answer = write_scan_answer(request, index, settings);
    EXPECT_NE(answer.find("<desc>??? f\xFCr &lt;x&gt;</desc>"), std::string::npos);
    EXPECT_EQ(scan_answer_content_type(request), "text/xml; charset=windows-1252");
}

TEST(catalog_index, device_ids_are_keyed_by_their_upper_cased_ascii_letters_only) {
    const std::string all = "abcdefghijklmnopqrstuvwxyz@[`{\\&_0123456789\xC3\xA1\xE1\xFA\x7F";
    for (std::size_t length = 0; length <= all.size(); ++length) {
        std::string id = all.substr(0, length), upper = id, other = id + "X";
        for (char& c : upper) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        EXPECT_EQ(device_id_hash(id), device_id_hash(upper)) << length;
        EXPECT_NE(device_id_hash(id), device_id_hash(other)) << length;
        // Bytes other than a-z keep their case: "á" (0xE1) is not "Á" (0xC1), "`" is not "@".
        for (std::size_t at = 0; at < length; ++at) {
            if (id[at] >= 'a' && id[at] <= 'z') continue;
            std::string changed = id;
            changed[at] = char(changed[at] ^ 0x20);
            EXPECT_NE(device_id_hash(changed), device_id_hash(id)) << length << " " << at;
        }
    }
    EXPECT_NE(device_id_hash(std::string("AB\0", 3)), device_id_hash("AB"));
}
