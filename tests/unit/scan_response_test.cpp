#include "service/scan_response.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

device_store_c store_with(std::initializer_list<const wchar_t*> paths) {
    device_store_c store;
    for (const wchar_t* path : paths) {
        device_c record;
        std::wcscpy(record.instance_path, path);
        store.devices.push_back(record);
    }
    return store;
}

std::string item(const std::string& fields) { return "<item>" + fields + "</item>"; }

// The reading itself, with unsigned items let through (the signature check: package_trust_test).
bool parse_unsigned(std::string_view body, device_store_c& store) {
    static const package_trust_c allow{{}, true};
    answer_trust_c trust(allow);
    return parse_scan_response(body, store, trust);
}

}  // namespace

TEST(scan_response, items_are_read_with_their_conversions) {
    device_store_c store = store_with({L"PCI\\VEN_10DE&DEV_1C82", L"USB\\VID_1"});
    std::string answer =
        "<answer><hardwares><hardware><id>PCI\\VEN_10DE&amp;DEV_1C82</id>" +
        item("<hardid>PCI\\VEN_10DE&amp;DEV_1C82</hardid><title>  GeForce   driver </title><ver>26.21.14.4166</ver>"
             "<size>123456</size><guid>{4d36e968-e325-11ce-bfc1-08002be10318}</guid>"
             "<link>http://files/nv 1.zip</link><infpath>pkg/Display.Driver/nv_disp.inf</infpath>"
             "<official_link>http://vendor/x</official_link><cp>3</cp><manu>NVIDIA</manu><sign>0</sign>"
             "<feature>ff</feature><targetos>61</targetos><date>2020-01-02</date><desc>d</desc>") +
        item("<size>12abc</size><feature>zz</feature><infpath>noseparator</infpath><link> http://files/b.zip &#9;</link>") +
        "</hardware><hardware><id>UNKNOWN\\DEVICE</id>" + item("") + "</hardware></hardwares></answer>";
    ASSERT_TRUE(parse_unsigned(answer, store));
    const device_c& gpu = store.devices[0];
    ASSERT_EQ(gpu.item_count, 2u);
    const driver_item_c& first = gpu.items[0];
    EXPECT_EQ(first.hardid, L"PCI\\VEN_10DE&DEV_1C82");
    EXPECT_EQ(first.title, L"GeForce driver");  // white space condensed
    EXPECT_EQ(first.version, L"26.21.14.4166");
    EXPECT_EQ(first.link, "http://files/nv 1.zip");
    EXPECT_EQ(first.inf_name, L"Display.Driver\\nv_disp.inf");
    EXPECT_EQ(first.size, 123456u);
    EXPECT_EQ(first.feature, 255u);
    EXPECT_EQ(first.targetos, 61u);
    EXPECT_EQ(first.date, L"2020-01-02");
    const driver_item_c& second = gpu.items[1];
    EXPECT_EQ(second.size, 12u);
    EXPECT_EQ(second.feature, 0u);
    EXPECT_EQ(second.inf_name, L"");
    EXPECT_EQ(second.title, L"");
    // Blanks around a link are dropped: it is stored and compared trimmed once installed.
    EXPECT_EQ(second.link, "http://files/b.zip");
    EXPECT_EQ(store.devices[1].item_count, 0u);  // named by no hardware element
}

TEST(scan_response, structure_failures_and_partial_answers) {
    device_store_c store = store_with({L"A\\1", L"B\\2"});
    EXPECT_FALSE(parse_unsigned("", store));
    EXPECT_FALSE(parse_unsigned("not xml at all", store));
    EXPECT_FALSE(parse_unsigned("<r><hardwares/></r>", store));
    EXPECT_FALSE(parse_unsigned("<r><hardwares><hardware><item/></hardware></hardwares></r>", store));
    // A later hardware without id fails the parse, but the first device keeps its items.
    EXPECT_FALSE(parse_unsigned(
        "<r><hardwares><hardware><id>A\\1</id><item/></hardware><hardware><item/></hardware></hardwares></r>", store));
    EXPECT_EQ(store.devices[0].item_count, 1u);
    // An id without text names no device.
    EXPECT_TRUE(parse_unsigned("<r><hardwares><hardware><id></id><item/></hardware></hardwares></r>", store));
    // A cut or damaged answer fails, wherever the damage is: it is no scan in which every device
    // after the damage has no update.
    EXPECT_FALSE(parse_unsigned("<r><hardwares><hardware><id>B\\2</id><item/><item/></hardware><hardware><id>A", store));
    EXPECT_FALSE(parse_unsigned("<r><hardwares><hardware><id>B\\2</id><item/></hardware></hardwares></x>", store));
    EXPECT_FALSE(parse_unsigned("<r><hardwares><hardware><id>B\\2</id><item><title>a<b</title></item>"
                                     "</hardware></hardwares></r>", store));
}

TEST(scan_response, devices_are_read_as_a_parse_of_the_whole_answer_reads_them) {
    // In the encoding the answer's start declares (UTF-8, or the ANSI code page), and only from
    // the root's first "hardwares".
    for (const std::string start : {"", "<?xml version=\"1.0\"?>", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                                    "\xEF\xBB\xBF"}) {
        SCOPED_TRACE(start);
        device_store_c store = store_with({L"A\\1", L"B\\2"});
        const std::string answer = start + "<r><hardwares><hardware><id>A\\1</id>" +
                                   item("<title>caf&#233; &lt;1&gt;</title>") +
                                   "</hardware></hardwares><hardwares><hardware><id>B\\2</id>" + item("") +
                                   "</hardware></hardwares></r><r><hardwares><hardware><id>B\\2</id>" + item("") +
                                   "</hardware></hardwares></r>";
        ASSERT_TRUE(parse_unsigned(answer, store));
        ASSERT_EQ(store.devices[0].item_count, 1u);
        // A reference is a character whatever the encoding; the text is read in the declared one.
        EXPECT_EQ(store.devices[0].items[0].title, L"caf\u00e9 <1>");
        EXPECT_EQ(store.devices[1].item_count, 0u);
    }
}

TEST(scan_response, at_most_500_items_per_device) {
    device_store_c store = store_with({L"A\\1"});
    std::string answer = "<r><hardwares><hardware><id>A\\1</id>";
    for (int i = 0; i < 600; ++i) answer += "<item><cp>" + std::to_string(i) + "</cp></item>";
    answer += "</hardware></hardwares></r>";
    ASSERT_TRUE(parse_unsigned(answer, store));
    ASSERT_EQ(store.devices[0].item_count, 500u);
    EXPECT_EQ(store.devices[0].items[499].cp, 499u);
}

TEST(scan_response, an_answer_cut_inside_a_multibyte_sequence_is_read_safely) {
    device_store_c store = store_with({L"A\\1"});
    std::string answer = "<r><hardwares><hardware><id>A\\1</id><item><title>caf\xC3";
    EXPECT_FALSE(parse_unsigned(answer, store));
    std::string only_lead = "\xEF";
    EXPECT_FALSE(parse_unsigned(only_lead, store));
}

TEST(scan_response, hostile_answers_are_refused_before_they_exhaust_memory) {
    // 500 empty items for each of 20 devices: a tree of 10,000 elements, then as many records.
    device_store_c store;
    std::string answer = "<r><hardwares>";
    for (int d = 0; d < 20; ++d) {
        device_c record;
        std::swprintf(record.instance_path, 32, L"DEV\\%d", d);
        store.devices.push_back(record);
        answer += "<hardware><id>DEV\\" + std::to_string(d) + "</id>";
        for (int i = 0; i < 500; ++i) answer += "<item/>";
        answer += "</hardware>";
    }
    answer += "</hardwares></r>";
    EXPECT_FALSE(parse_unsigned(answer, store));
    // Counted in the bytes, before the tree is built: refused also where no device is known.
    device_store_c no_devices;
    EXPECT_FALSE(parse_unsigned(answer, no_devices));

    // 70,000 nested elements in 210 KB: refused before the parser recurses that deep (it crashed).
    std::string deep = "<r><hardwares><hardware><id>DEV\\0</id>";
    for (int i = 0; i < 70000; ++i) deep += "<a>";
    EXPECT_FALSE(parse_unsigned(deep, store));

    // Markup alone, with no device named: a tree of millions of nodes is never built.
    std::string nodes = "<r><hardwares><hardware><id>DEV\\0</id><item/></hardware>";
    for (int i = 0; i < 300000; ++i) nodes += "<x a='' b=''/>";
    EXPECT_FALSE(parse_unsigned(nodes + "</hardwares></r>", store));

    // A large real answer still passes: 300 devices with eight items each.
    device_store_c large;
    std::string real = "<r><hardwares>";
    for (int d = 0; d < 300; ++d) {
        device_c record;
        std::swprintf(record.instance_path, 32, L"DEV\\%d", d);
        large.devices.push_back(record);
        real += "<hardware><id>DEV\\" + std::to_string(d) + "</id>";
        for (int i = 0; i < 8; ++i)
            real += item("<hardid>PCI\\VEN_1</hardid><title>t</title><ver>1.0</ver><size>1</size><guid>g</guid>"
                         "<link>http://h/p?a=1&amp;b=2</link><infpath>p/a.inf</infpath><cp>1</cp><manu>m</manu>"
                         "<sign>0</sign><feature>0</feature><targetos>61</targetos><date>2020-01-01</date><desc>d</desc>");
        real += "</hardware>";
    }
    ASSERT_TRUE(parse_unsigned(real + "</hardwares></r>", large));
    EXPECT_EQ(large.devices[299].item_count, 8u);
}
