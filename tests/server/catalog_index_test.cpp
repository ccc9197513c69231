#include "server/catalog/catalog_index.h"
#include "server/catalog/package_inf_records.h"
#include "server/scan/scan_answer_writer.h"

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
    p.infs.push_back({"drv/x.inf", "Provider", "{4d36e968-e325-11ce-bfc1-08002be10318}", date, "1.2.3.4", {}});
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

// One INF file's [Manufacturer] line "M = Models<decorations>" and its models sections, read as
// the catalog tool reads packages. Each section (decoration, label) names the device "ID\<label>"
// with its label as description; a section without a label is empty, one not listed is missing.
struct one_line_c {
    catalog_index_c index;
    std::vector<std::string> labels;

    one_line_c(const std::string& decorations, const std::vector<std::pair<std::string, std::string>>& sections) {
        std::string text = "[Version]\nSignature=\"$Windows NT$\"\nDriverVer=01/01/2020,1.0\n[Manufacturer]\nM = Models" +
                           decorations + "\n";
        for (const auto& [decoration, label] : sections) {
            text += "[Models" + (decoration.empty() ? "" : "." + decoration) + "]\n";
            if (!label.empty()) text += label + " = Inst, ID\\" + label + "\n";
            if (!label.empty()) labels.push_back(label);
        }
        inf_file_c inf;
        inf_error_c error;
        inf_driver_info_c info;
        EXPECT_TRUE(parse_inf_text(text, inf, error) && read_driver_info(inf, info, error)) << error.message;
        catalog_package_c p;
        p.file_name = p.title = "one-line.zip";
        add_inf_records(p, "x.inf", info);
        index = catalog_index_c({p});
    }
    // The labels of the sections offered to the client, in section order.
    std::string offered(const char* os, const char* build = "", const char* machine = "") const {
        std::string names;
        for (const std::string& label : labels)
            if (!index.offers_for(device({"ID\\" + label}), client_target_for(os, build, machine), 20).empty())
                names += (names.empty() ? "" : " ") + label;
        return names;
    }
};

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

TEST(scan_answer, texts_in_the_clients_code_page_or_utf8_ids_as_sent_and_links_in_ascii) {
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

    // A client that reads UTF-8 gets every text as the package has it, and its id in UTF-8 too.
    request.lang = 866;
    request.utf8_answer = true;
    answer = write_scan_answer(request, index, settings);
    EXPECT_EQ(answer.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n", 0), 0u) << answer;
    EXPECT_EQ(scan_answer_content_type(request), "text/xml; charset=utf-8");
    for (const char* field : {"<id>PCI\\\xD0\x9F\xD1\x80\xD0\xB8&amp;1</id>",
                              "<desc>\xD0\x9A\xD0\xBE\xD1\x80 f\xC3\xBCr &lt;x&gt;</desc>"})
        EXPECT_NE(answer.find(field), std::string::npos) << field;
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

// Windows uses one models section of a [Manufacturer] line: the closest of those whose decoration
// fits the system, the undecorated one only on x86 and only when none fits.
TEST(models_section_choice, the_latest_version_and_build_the_client_runs_wins) {
    one_line_c line(", NTamd64.10.0...17763, NTamd64.6.1",
                    {{"", "plain"}, {"NTamd64.10.0...17763", "rs5"}, {"NTamd64.6.1", "win7"}});
    EXPECT_EQ(line.offered("WIN1064", "18362"), "rs5");
    EXPECT_EQ(line.offered("WIN1064", "17763"), "rs5");
    EXPECT_EQ(line.offered("WIN1064", "17134"), "win7");
    EXPECT_EQ(line.offered("WIN1064"), "win7");  // a build not told is no build
    EXPECT_EQ(line.offered("WIN8164", "9600"), "win7");
    EXPECT_EQ(line.offered("WIN764"), "win7");
    EXPECT_EQ(line.offered("VISTA64"), "");
    EXPECT_EQ(line.offered("WIN10", "18362"), "plain");

    one_line_c future(", NTamd64.10.0...99999, NTamd64.6.1", {{"NTamd64.10.0...99999", "future"}, {"NTamd64.6.1", "win7"}});
    EXPECT_EQ(future.offered("WIN1064", "18362"), "win7");
    EXPECT_EQ(future.offered("WIN1064", "99999"), "future");
}

TEST(models_section_choice, builds_count_from_14310_on_the_version_they_name) {
    // As the INF Manufacturer section's third example writes it.
    one_line_c line(", NTamd64.6.1, NTamd64.10.0, NTamd64.10.0...14393, NTamd64.10.0...10586",
                    {{"NTamd64.6.1", "win7"}, {"NTamd64.10.0", "ten"}, {"NTamd64.10.0...14393", "rs1"}, {"NTamd64.10.0...10586", "th2"}});
    EXPECT_EQ(line.offered("WIN1064", "10586"), "ten");  // builds before 14310 read no build numbers
    EXPECT_EQ(line.offered("WIN1064", "14393"), "rs1");
    EXPECT_EQ(line.offered("WIN1064", "22631"), "rs1");
    EXPECT_EQ(line.offered("WIN8164"), "win7");
}

TEST(models_section_choice, x86_falls_back_to_ntx86_nt_and_undecorated_and_64_bit_never_does) {
    one_line_c all(", NTx86, NT, NTamd64", {{"", "plain"}, {"NTx86", "x86"}, {"NT", "nt"}, {"NTamd64", "amd64"}});
    EXPECT_EQ(all.offered("WIN7"), "x86");
    EXPECT_EQ(all.offered("WIN764"), "amd64");
    one_line_c nt(", NT, NTamd64", {{"", "plain"}, {"NT", "nt"}, {"NTamd64", "amd64"}});
    EXPECT_EQ(nt.offered("WIN10", "19045"), "nt");
    one_line_c plain(", NTamd64", {{"", "plain"}, {"NTamd64", "amd64"}});
    EXPECT_EQ(plain.offered("WINXP"), "plain");
    EXPECT_EQ(plain.offered("WIN1064", "19045"), "amd64");
    one_line_c undecorated("", {{"", "plain"}, {"NT.6.0", "vista"}});
    EXPECT_EQ(undecorated.offered("WIN7"), "plain");  // a section the line does not name is not its
    EXPECT_EQ(undecorated.offered("WIN764"), "");
    EXPECT_EQ(undecorated.offered("WIN1064", "19045", "arm64"), "");
}

TEST(models_section_choice, arm64_clients_get_ntarm64_sections_alone) {
    one_line_c line(", NTamd64.10.0, NTarm64.10.0...19041, NTx86",
                    {{"", "plain"}, {"NTamd64.10.0", "amd64"}, {"NTarm64.10.0...19041", "arm64"}, {"NTx86", "x86"}});
    EXPECT_EQ(line.offered("WIN1064", "22631", "arm64"), "arm64");
    EXPECT_EQ(line.offered("WIN10", "22631", "arm64"), "arm64");
    EXPECT_EQ(line.offered("WIN1064", "18362", "arm64"), "");
    EXPECT_EQ(line.offered("WIN1064", "22631", "amd64"), "amd64");
    EXPECT_EQ(line.offered("WIN1064", "22631", "x86"), "x86");
}

TEST(models_section_choice, product_types_and_suites_must_be_the_clients) {
    one_line_c server(", NTamd64.6.0.3, NTamd64.6.0", {{"NTamd64.6.0.3", "server"}, {"NTamd64.6.0", "any"}});
    EXPECT_EQ(server.offered("WIN200864"), "server");
    EXPECT_EQ(server.offered("VISTA64"), "any");
    EXPECT_EQ(server.offered("WIN764"), "any");
    one_line_c server_only(", NTamd64.6.0.3", {{"NTamd64.6.0.3", "server"}});
    EXPECT_EQ(server_only.offered("WIN764"), "");
    // The INF Manufacturer section's examples: a version outranks a suite, and a suite never fits.
    one_line_c versions(", NT, NT.5, NT.5.5, NT....0x80", {{"NT", "nt"}, {"NT.5", "nt5"}, {"NT.5.5", "nt55"}, {"NT....0x80", "datacenter"}});
    EXPECT_EQ(versions.offered("WINXP"), "nt5");
    EXPECT_EQ(versions.offered("WIN2003"), "nt5");
    one_line_c suite(", NTx86....0x80, NTamd64", {{"NTx86....0x80", "datacenter"}, {"NTamd64", "amd64"}});
    EXPECT_EQ(suite.offered("WINXP"), "");
    EXPECT_EQ(suite.offered("WINXP64"), "amd64");
}

TEST(models_section_choice, an_empty_section_keeps_the_versions_it_names_from_the_older_ones) {
    one_line_c line(", NTx86.6.0, NTx86.5.1,", {{"NTx86.6.0", ""}, {"NTx86.5.1", "xp"}, {"", ""}});
    EXPECT_EQ(line.offered("WINXP"), "xp");
    EXPECT_EQ(line.offered("WIN2003"), "xp");
    EXPECT_EQ(line.offered("VISTA"), "");
    EXPECT_EQ(line.offered("WIN7"), "");
}

TEST(models_section_choice, an_older_programs_request_without_build_or_machine_is_answered_as_before) {
    one_line_c line(", NTamd64.6.1, NTamd64.6.2, NTx86.6.1", {{"NTamd64.6.1", "win7"}, {"NTamd64.6.2", "win8"}, {"NTx86.6.1", "x86"}});
    for (const auto& [os, offered] : std::vector<std::pair<std::string, std::string>>{
             {"WIN764", "win7"}, {"WIN864", "win8"}, {"WIN7", "x86"}, {"VISTA64", ""}}) {
        scan_request_c request;
        request_failure_c failure;
        ASSERT_TRUE(parse_request_document("<kelvdoc><client os=\"" + os + "\" lang=\"437\"/><hardwares><hardware><id>X</id>"
                                           "<hardids>ID\\win7\nID\\win8\nID\\x86</hardids></hardware></hardwares></kelvdoc>",
                                           request_limits_c{}, request, failure));
        auto offers = offers_for_request(request, line.index, 20);
        ASSERT_EQ(offers.size(), 1u);
        EXPECT_EQ(offers[0].empty() ? "" : std::string(line.index.entry(offers[0][0]).description), offered) << os;
    }
}
