// The zip reader against archives the tests make: good ones, and hostile ones that must not
// write outside the unpack folder or leave a cut file behind.
#include "common/file_digest.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "backup/zip_writer.h"
#include "download/zip_reader.h"
#include "tests/unit/test_files.h"
#include "tests/unit/test_zip.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Every file below the folder, as relative generic paths.
std::vector<std::string> files_below(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) found.push_back(entry.path().lexically_relative(folder).generic_string());
    std::sort(found.begin(), found.end());
    return found;
}

class zip_reader_test : public ::testing::Test {
protected:
    // Unpacks the entries into a fresh "unpack" folder; the result of extract_all.
    int unpack(const std::vector<test_zip_entry_c>& entries, const unpack_limits_c& limits = {},
               const std::atomic<bool>* stop = nullptr) {
        const fs::path archive = scratch_.path() / "package.zip";
        fs::remove(archive);
        EXPECT_TRUE(write_test_zip(archive.string(), entries));
        fs::remove_all(folder());
        fs::create_directories(folder());
        EXPECT_TRUE(reader_.open_archive(utf8_to_wide(archive.u8string())));
        const int result = reader_.extract_all(utf8_to_wide(folder().u8string()), stop, limits);
        reader_.close_archive();
        return result;
    }
    fs::path folder() const { return scratch_.path() / "unpack" / "inner"; }

    scratch_folder_c scratch_;
    zip_reader_c reader_;
};

}  // namespace

TEST(zip_entry_name, ordinary_names_pass_and_every_escape_is_refused) {
    for (const wchar_t* good : {L"a.inf", L"drv/x64/a.sys", L"drv\\x64\\a.cat", L"folder/", L"console/x.txt",
                                L"Comfort.inf", L"LPT0.txt", L"\u00e9t\u00e9.inf"})
        EXPECT_TRUE(safe_entry_name(good)) << wide_to_utf8(good);
    for (const wchar_t* bad :
         {L"", L"/etc/passwd", L"\\x.inf", L"C:\\x.inf", L"C:x.inf", L"a/../../x", L"..\\x", L"a/./b", L"a//b",
          L"a\\\\b", L"a.inf:stream", L"a<b", L"a>b", L"a\"b", L"a|b", L"a?b", L"a*b", L"a\tb", L"a\x7f", L"CON",
          L"nul.txt", L"drv/COM1.inf", L"lpt9", L"Aux .txt", L"../", L"a/../"})
        EXPECT_FALSE(safe_entry_name(bad)) << wide_to_utf8(bad);
}

TEST_F(zip_reader_test, unpacks_folders_and_files_and_never_overwrites) {
    ASSERT_EQ(unpack({{"drv/", ""}, {"drv/x64/a.inf", "[Version]"}, {"b.sys", std::string(100000, 'b'), false},
                      {"drv/x64/a.inf", "second entry of the same name"}}),
              0);
    EXPECT_EQ(reader_.problem(), "");
    EXPECT_EQ(files_below(folder()), (std::vector<std::string>{"b.sys", "drv/x64/a.inf"}));
    EXPECT_EQ(bytes_of(folder() / "drv/x64/a.inf"), "[Version]");
    EXPECT_EQ(bytes_of(folder() / "b.sys"), std::string(100000, 'b'));

    // An entry named as another's temporary name stays whole when that other entry is unpacked.
    ASSERT_EQ(unpack({{"x.inf.unpacking", "kept"}, {"x.inf", "new"}}), 0);
    EXPECT_EQ(bytes_of(folder() / "x.inf.unpacking"), "kept");
    EXPECT_EQ(bytes_of(folder() / "x.inf"), "new");
    ASSERT_EQ(unpack({{"drv/", ""}, {"drv/x64/a.inf", "[Version]"}, {"b.sys", std::string(100000, 'b'), false}}), 0);

    // A second unpacking over the first leaves what is there untouched.
    std::ofstream(folder() / "b.sys", std::ios::binary) << "edited";
    zip_reader_c again;
    ASSERT_TRUE(again.open_archive(utf8_to_wide((scratch_.path() / "package").u8string())));  // ".zip" added
    ASSERT_EQ(again.extract_all(utf8_to_wide(folder().u8string())), 0);
    EXPECT_EQ(bytes_of(folder() / "b.sys"), "edited");
}

TEST_F(zip_reader_test, names_keep_their_characters_from_other_tools_and_from_our_backups) {
    // Without the UTF-8 flag a name is in the OEM code page (437 here): 0x81 is "ü".
    ASSERT_EQ(unpack({{"\x81" "ber.inf", "oem"}}), 0);
    EXPECT_EQ(files_below(folder()), (std::vector<std::string>{"\xC3\xBC" "ber.inf"}));

    // Our writer stores UTF-8 names with the flag, whatever the ANSI code page could hold.
    const std::string japanese = "\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x90.inf";  // ドライバ.inf
    const fs::path source = scratch_.path() / "source.inf", archive = scratch_.path() / "backup.zip";
    std::ofstream(source, std::ios::binary) << "[Version]";
    zip_writer_c writer;
    ASSERT_TRUE(writer.create_archive(utf8_to_wide(archive.u8string())));
    ASSERT_TRUE(writer.add_file(utf8_to_wide(source.u8string()), "drv\\" + japanese));
    ASSERT_TRUE(writer.close_archive());
    // The digest of the whole archive, read back through the handle that wrote it.
    ASSERT_TRUE(writer.written_digest().has_value());
    EXPECT_EQ(*writer.written_digest(), file_sha256(utf8_to_wide(archive.u8string())));
    fs::remove_all(folder());
    ASSERT_TRUE(reader_.open_archive(utf8_to_wide(archive.u8string())));
    ASSERT_EQ(reader_.extract_all(utf8_to_wide(folder().u8string())), 0);
    EXPECT_EQ(files_below(folder()), (std::vector<std::string>{"drv/" + japanese}));
}

TEST_F(zip_reader_test, hostile_names_end_the_extraction_inside_the_folder) {
    for (const std::string& name : {std::string("../../escaped.txt"), std::string("/tmp/escaped.txt"),
                                    std::string("C:\\escaped.txt"), std::string("a/../../escaped.txt"),
                                    std::string("evil.inf:stream"), std::string("NUL.inf"), std::string("x/CON/y.txt"),
                                    std::string(300, 'n'), std::string("a?b"), std::string("..\\escaped/")}) {
        EXPECT_EQ(unpack({{"ok.txt", "ok"}, {name, "bad"}, {"after.txt", "after"}}), -1);
        EXPECT_NE(reader_.problem(), "") << name;
        EXPECT_EQ(files_below(scratch_.path()), (std::vector<std::string>{"package.zip", "unpack/inner/ok.txt"}))
            << name;
    }
}

TEST_F(zip_reader_test, damaged_cut_and_oversized_archives_leave_no_cut_file) {
    // A stored entry with one byte changed fails its CRC: it is removed, not kept cut.
    const fs::path archive = scratch_.path() / "package.zip";
    ASSERT_EQ(unpack({{"first.txt", "first"}, {"crc.bin", std::string(5000, 'c') + "MARK", false}}), 0);
    std::string bytes = bytes_of(archive);
    bytes[bytes.find("MARK")] = 'W';
    std::ofstream(archive, std::ios::binary) << bytes;
    fs::remove_all(folder());
    fs::create_directories(folder());
    ASSERT_TRUE(reader_.open_archive(utf8_to_wide(archive.u8string())));
    EXPECT_EQ(reader_.extract_all(utf8_to_wide(folder().u8string())), -1);
    EXPECT_NE(reader_.problem().find("CRC"), std::string::npos);
    EXPECT_EQ(files_below(folder()), (std::vector<std::string>{"first.txt"}));
    reader_.close_archive();

    // An entry whose data ends before the size it declares is cut, though no CRC was checked.
    ASSERT_EQ(unpack({{"first.txt", "first"}, {"short.txt", std::string(3000, 's')}}), 0);
    bytes = bytes_of(archive);
    for (std::size_t at = 0; (at = bytes.find("PK", at)) != std::string::npos; at += 2) {
        // The declared size of "short.txt" in its local header (offset 22) and its directory
        // entry (offset 24), 3000 made 4000.
        const bool local = bytes.compare(at, 4, "PK\x03\x04") == 0, central = bytes.compare(at, 4, "PK\x01\x02") == 0;
        const std::size_t field = local ? at + 22 : at + 24;
        if ((local || central) && bytes.find("short.txt", at) == at + (local ? 30 : 46)) {
            bytes[field] = char(4000 & 0xff);
            bytes[field + 1] = char(4000 >> 8);
        }
    }
    std::ofstream(archive, std::ios::binary) << bytes;
    fs::remove_all(folder());
    fs::create_directories(folder());
    ASSERT_TRUE(reader_.open_archive(utf8_to_wide(archive.u8string())));
    EXPECT_EQ(reader_.extract_all(utf8_to_wide(folder().u8string())), -1);
    EXPECT_NE(reader_.problem().find("short.txt is cut (3000 of 4000 bytes)"), std::string::npos) << reader_.problem();
    EXPECT_EQ(files_below(folder()), (std::vector<std::string>{"first.txt"}));
    reader_.close_archive();

    // A cut archive has no directory: it does not open as a zip archive at all.
    std::ofstream(archive, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    EXPECT_FALSE(reader_.open_archive(utf8_to_wide(archive.u8string())));

    // A bomb, or more entries than any package has, is refused before anything is written.
    EXPECT_EQ(unpack({{"a.bin", std::string(600000, 0)}, {"b.bin", std::string(600000, 0)}}, {1 << 20, 10}), -1);
    EXPECT_TRUE(files_below(folder()).empty());
    EXPECT_EQ(unpack({{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}}, {1 << 20, 2}), -1);
    EXPECT_EQ(reader_.problem(), "the archive holds 3 entries, more than any driver package");
    EXPECT_TRUE(files_below(folder()).empty());

    // The program ending stops an unpacking at its next block.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(unpack({{"a.txt", "a"}}, {}, &stop), -1);
    EXPECT_EQ(reader_.problem(), "the unpacking was stopped");
    EXPECT_TRUE(files_below(folder()).empty());
}
