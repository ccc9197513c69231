#include "server/inf/inf_file.h"
#include "tests/server/test_catalogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

inf_file_c parsed(std::string_view text) {
    inf_file_c inf;
    inf_error_c error;
    EXPECT_TRUE(parse_inf_text(text, inf, error)) << error.line_number << ": " << error.message;
    return inf;
}

inf_error_c parse_error(std::string_view text) {
    inf_file_c inf;
    inf_error_c error;
    EXPECT_FALSE(parse_inf_text(text, inf, error)) << "parsed: " << text;
    return error;
}

const inf_line_c& line_of(const inf_file_c& inf, std::string_view section, std::size_t index) {
    static const inf_line_c none;
    const inf_section_c* found = inf.find_section(section);
    EXPECT_TRUE(found && index < found->lines.size()) << section << " line " << index;
    return found && index < found->lines.size() ? found->lines[index] : none;
}

using values_t = std::vector<std::string>;

std::string utf16(std::u16string_view text, bool big_endian) {
    std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        char high = char(unit >> 8), low = char(unit & 0xFF);
        bytes += big_endian ? high : low;
        bytes += big_endian ? low : high;
    }
    return bytes;
}


std::string corpus_bytes(const std::string& name) {
    std::ifstream in(inf_corpus_folder() / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

TEST(inf_file, keys_values_quotes_and_comments) {
    inf_file_c inf = parsed(
        "[S]\n"
        "key = a , b,,\tc\t\n"
        "  values, only  \n"
        "q = \"  padded \", \"say \"\"hi\"\"\"\n"
        "joined = pre\"fix, ;\"post ; comment\n"
        "a = b = c\n"
        "\"k=1\" = v\n"
        "x, y = z\n"
        "trailing = v,\n"
        "empty =  ; nothing after the key\n"
        "; comment only\n"
        "\n"
        "   \t\n"
        "=\n");
    const inf_section_c& section = *inf.find_section("S");
    ASSERT_EQ(section.lines.size(), 10u);
    EXPECT_EQ(section.lines[0].key, "key");
    EXPECT_EQ(section.lines[0].values, (values_t{"a", "b", "", "c"}));
    EXPECT_FALSE(section.lines[1].has_key);
    EXPECT_EQ(section.lines[1].values, (values_t{"values", "only"}));
    EXPECT_EQ(section.lines[2].values, (values_t{"  padded ", "say \"hi\""}));
    EXPECT_EQ(section.lines[3].values, (values_t{"prefix, ;post"}));
    EXPECT_EQ(section.lines[4].values, (values_t{"b = c"}));  // only the first "=" is the key's
    EXPECT_EQ(section.lines[5].key, "k=1");
    EXPECT_FALSE(section.lines[6].has_key);  // an "=" after a comma is text
    EXPECT_EQ(section.lines[6].values, (values_t{"x", "y = z"}));
    EXPECT_EQ(section.lines[7].values, (values_t{"v", ""}));
    EXPECT_TRUE(section.lines[8].has_key);
    EXPECT_TRUE(section.lines[8].values.empty());
    EXPECT_TRUE(section.lines[9].has_key);
    EXPECT_EQ(section.lines[9].key, "");
    EXPECT_EQ(section.lines[9].line_number, 14);
    EXPECT_EQ(section.lines[3].line_number, 5);
}

TEST(inf_file, backslash_at_the_end_joins_the_next_line) {
    inf_file_c inf = parsed(
        "[S]\r\n"
        "k = 01, 02, \\\r\n"
        "     03,04 \\  \r\n"
        "\r\n"
        "path = C:\\dir\\file\r\n"
        "c = x ; a comment ending in \\\r\n"
        "d = y\r\n"
        "q = \"a\\\"\r\n"
        "last = z \\");
    EXPECT_EQ(line_of(inf, "S", 0).values, (values_t{"01", "02", "03", "04"}));
    EXPECT_EQ(line_of(inf, "S", 0).line_number, 2);
    EXPECT_EQ(line_of(inf, "S", 1).values, (values_t{"C:\\dir\\file"}));
    EXPECT_EQ(line_of(inf, "S", 2).values, (values_t{"x"}));
    EXPECT_EQ(line_of(inf, "S", 3).key, "d");
    EXPECT_EQ(line_of(inf, "S", 3).line_number, 7);
    EXPECT_EQ(line_of(inf, "S", 4).values, (values_t{"a\\"}));  // quoted: no continuation
    EXPECT_EQ(line_of(inf, "S", 5).values, (values_t{"z"}));
}

TEST(inf_file, every_line_end_counts_once) {
    inf_file_c inf = parsed("[A]\r\nx=1\ry=2\n\r\nz=3");
    EXPECT_EQ(line_of(inf, "A", 0).line_number, 2);
    EXPECT_EQ(line_of(inf, "A", 1).line_number, 3);
    EXPECT_EQ(line_of(inf, "A", 2).line_number, 5);
}

TEST(inf_file, sections_are_found_without_case_and_merged) {
    inf_file_c inf = parsed("; comments may come first\n\n[Version]\na=1\n[strings] ; note\nk=v\n[VERSION]\nb=2\n  [ Spaced ]  \n");
    ASSERT_EQ(inf.sections().size(), 3u);
    const inf_section_c* version = inf.find_section("version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->name, "Version");
    EXPECT_EQ(version->line_number, 3);
    ASSERT_EQ(version->lines.size(), 2u);
    EXPECT_EQ(inf.find_line("VERSION", "B")->values, (values_t{"2"}));
    EXPECT_EQ(inf.find_line("Version", "missing"), nullptr);
    EXPECT_EQ(inf.find_line("Missing", "a"), nullptr);
    EXPECT_NE(inf.find_section("spaced"), nullptr);
    EXPECT_TRUE(inf.find_section("Spaced")->lines.empty());
}

TEST(inf_file, syntax_errors_name_their_line) {
    struct case_c {
        std::string text;
        int line;
    };
    const case_c cases[] = {
        {"orphan = 1\n[S]\n", 1},
        {"; fine\n\n  x\n[S]\n", 3},
        {"[S]\n[Unclosed\n", 2},
        {"[S]\n[T] junk\n", 2},
        {"[S]\nk = \"open\n", 2},
        {"[S]\nk = a, \\\n \"open \n", 3},
        {std::string("[S]\nk=\0\n", 8), 2},
    };
    for (const case_c& c : cases) EXPECT_EQ(parse_error(c.text).line_number, c.line) << c.text;
}

TEST(inf_file, utf16_and_8bit_text_become_utf8) {
    const std::u16string text = u"[S]\r\nname = caf\u00e9 \u20ac \U0001F600\r\n";
    for (bool big_endian : {false, true}) {
        inf_file_c inf = parsed(utf16(text, big_endian));
        EXPECT_EQ(line_of(inf, "S", 0).values, (values_t{"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"}));
        EXPECT_EQ(line_of(inf, "S", 0).line_number, 2);
    }
    EXPECT_EQ(parsed("\xEF\xBB\xBF[S]\nk=v").sections().at(0).name, "S");
    EXPECT_EQ(line_of(parsed("[S]\nk=\xE9\xFF"), "S", 0).values, (values_t{"\xC3\xA9\xC3\xBF"}));
    // A Japanese section of an 8-bit file: the second byte of "\x83\x5C" is no line continuation.
    inf_file_c japanese = parsed("[Strings.0411]\nd=\x83\x5C\ne=x\n");
    EXPECT_EQ(line_of(japanese, "Strings.0411", 0).values, (values_t{"\xE3\x82\xBD"}));
    EXPECT_EQ(line_of(japanese, "Strings.0411", 1).key, "e");

    EXPECT_EQ(parse_error(utf16(u"[S]", false) + "x").line_number, 0);                // odd length
    EXPECT_EQ(parse_error(utf16(u"[S]\n\xD83D", false)).line_number, 2);              // high surrogate at the end
    EXPECT_EQ(parse_error(utf16(u"[S]\nk=\xD83D" u"A", true)).line_number, 2);        // high without low
    EXPECT_EQ(parse_error(utf16(u"[S]\r\n\r\n\xDE00", false)).line_number, 3);        // low alone
    EXPECT_EQ(parse_error(utf16(u"[S]", false).substr(2)).line_number, 1);            // no mark: NUL bytes
}

TEST(inf_file, tokens_come_from_the_unlocalised_strings) {
    inf_file_c inf = parsed(
        "[Strings]\nName = \"Acme\"\nPercent = \"x%y%\"\nPlain = Foo, Inc.\n"
        "[Strings.0407]\nOnly = \"de\"\n[strings]\nname = \"second\"\n");
    std::string out;
    EXPECT_TRUE(inf.substitute("%name% 100%% %NAME%", out));
    EXPECT_EQ(out, "Acme 100% Acme");  // the first definition counts
    EXPECT_TRUE(inf.substitute("%Plain%|%percent%|50% off", out));
    EXPECT_EQ(out, "Foo, Inc.|x%y%|50% off");  // values are not expanded again; a lone "%" is text
    EXPECT_FALSE(inf.substitute("a %Only% b", out));
    EXPECT_EQ(out, "a ");
    EXPECT_FALSE(inf.substitute("%13%\\%Name%.sys", out));  // a directory number is no string
    EXPECT_EQ(inf.substitute_or_keep("%13%\\%Name%.sys"), "%13%\\Acme.sys");
    EXPECT_EQ(parsed("[S]\n").substitute_or_keep("%A%%%"), "%A%%");
}

TEST(inf_file, large_inputs_stay_linear) {
    std::string joined = "[S]\nk = ";
    for (int i = 0; i < 100000; ++i) joined += "v, \\\n";
    inf_file_c inf = parsed(joined + "end\n" + std::string(1 << 20, 'x') + "\n[Strings]\nA = " + std::string(1000, 'a'));
    EXPECT_EQ(line_of(inf, "S", 0).values.size(), 100001u);
    EXPECT_EQ(line_of(inf, "S", 1).values.at(0).size(), std::size_t(1) << 20);
    std::string repeated;
    for (int i = 0; i < 100; ++i) repeated += "%A%";
    EXPECT_EQ(inf.substitute_or_keep(repeated).size(), 64u * 1024);  // expansions end at 64 KiB
}

TEST(inf_file_corpus, every_file_parses) {
    if (!std::filesystem::is_directory(inf_corpus_folder())) GTEST_SKIP() << "no INF corpus at " << inf_corpus_folder();
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(inf_corpus_folder())) {
        if (entry.path().filename() == "SOURCES.md") continue;
        inf_file_c inf;
        inf_error_c error;
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(parse_inf_text(corpus_bytes(name), inf, error)) << name << ":" << error.line_number << ": " << error.message;
        EXPECT_NE(inf.find_line("Version", "Signature"), nullptr) << name;
        ++files;
    }
    EXPECT_GE(files, 32);
}

TEST(inf_file_corpus, notable_syntax_in_real_files) {
    if (!std::filesystem::is_directory(inf_corpus_folder())) GTEST_SKIP() << "no INF corpus at " << inf_corpus_folder();
    const std::string prefix = "microsoft__Windows-driver-samples__";
    // UTF-16LE with CRLF; keys that start with "*", trailing blanks.
    inf_file_c netvadapter = parsed(corpus_bytes(prefix + "network__netadaptercx__netvadapter__km__netvadapter.inf"));
    EXPECT_EQ(netvadapter.find_line("netvadapter.ndi", "*IfType")->values, (values_t{"0x6"}));
    EXPECT_TRUE(netvadapter.find_section("Msft")->lines.empty());
    EXPECT_EQ(line_of(netvadapter, "Msft.NT$ARCH$", 0).values, (values_t{"netvadapter.ndi", "root\\netvadapter"}));

    // Binary registry values continued over nine lines.
    inf_file_c sdhc = parsed(corpus_bytes(prefix + "sd__miniport__sdhc__sdhc.inx"));
    ASSERT_EQ(sdhc.find_section("SDHCServiceReg")->lines.size(), 2u);
    const inf_line_c& flags = line_of(sdhc, "SDHCServiceReg", 0);
    EXPECT_EQ(flags.line_number, 77);
    EXPECT_EQ(flags.values.size(), 4u + 2 * 27);  // the key fields and 27 byte pairs
    EXPECT_EQ(flags.values.back(), "01");
    EXPECT_EQ(line_of(sdhc, "SDHCServiceReg", 1).line_number, 86);

    // Comments ending in "\" continue nothing.
    inf_file_c minispy = parsed(corpus_bytes(prefix + "filesys__miniFilter__minispy__minispy.inf"));
    EXPECT_EQ(minispy.find_line("Minispy.Service", "ServiceBinary")->values, (values_t{"%13%\\%DriverName%.sys"}));
    EXPECT_EQ(minispy.find_line("Minispy.Service", "Dependencies")->line_number, 48);

    // A UTF-8 no-break space on otherwise blank lines is a value, kept byte for byte.
    inf_file_c osr = parsed(corpus_bytes(prefix + "usb__kmdf_fx2__driver__osrusbfx2.inx"));
    const inf_section_c* files = osr.find_section("osrusbfx2.Files.Ext");
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(files->lines.back().values, (values_t{"\xC2\xA0"}));
    EXPECT_EQ(files->lines.back().line_number, 94);

    // The same section twice; section names that differ only in case.
    inf_file_c usbport = parsed(corpus_bytes("reactos__reactos__media__inf__usbport.inf"));
    EXPECT_EQ(usbport.find_section("Strings.041b")->lines.size(), 16u);
    EXPECT_EQ(usbport.find_line("Strings.041B", "USBClassName")->values, (values_t{"USB radi\xC4\x8D" "e"}));
    inf_file_c input = parsed(corpus_bytes("reactos__reactos__media__inf__input.inf"));
    EXPECT_EQ(input.find_section("hid_inst.copyfilesdll.nt")->name, "HID_INST.CopyFilesDLL.NT");
    EXPECT_EQ(line_of(input, "StdMfg", 3).values, (values_t{"HID_Raw_Inst", "", "HID_DEVICE"}));

    // A tab before "=".
    inf_file_c hdaudbus = parsed(corpus_bytes("reactos__reactos__media__inf__hdaudbus.inf"));
    EXPECT_EQ(hdaudbus.find_line("SourceDisksFiles", "hdaudbus.sys")->values, (values_t{"3426"}));
}
