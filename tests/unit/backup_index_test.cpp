// The backup index: its exact bytes, reading it back against archives and devices, and what
// damaged, hostile or interrupted files do.
#include "backup/backup_index.h"
#include "common/file_open.h"
#include "common/text_convert.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

device_c device(const wchar_t* path, const wchar_t* name, const wchar_t* version) {
    device_c record;
    std::wcscpy(record.instance_path, path);
    std::wcscpy(record.display_name, name);
    std::wcscpy(record.driver_provider, L"Intel");
    std::wcscpy(record.inf_path, L"oem12.inf");
    std::wcscpy(record.driver_version, version);
    std::wcscpy(record.driver_date, L"2019-11-05");
    record.has_driver = true;
    return record;
}

class backup_index_test : public ::testing::Test {
protected:
    void SetUp() override {
        store_.devices = {device(L"PCI\\VEN_8086&DEV_15BC", L"Intel(R) Ethernet \u00e9 \u0421\u0435\u0442\u044c ]]> end", L"12.18.9.10"),
                          device(L"PCI\\VEN_8086&DEV_2723", L"Intel(R) Wi-Fi 6 AX200", L"21.60.2.1")};
        folder_ = utf8_to_wide(scratch_.path().u8string());
        index_path_ = utf8_to_wide((scratch_.path() / "backup.xml").u8string());
        scratch_.write("Intel(R)-Ethernet.zip", "PK");
        scratch_.write("Intel(R)-Wi-Fi.zip", "PK");
    }
    std::wstring archive(const char* name) const { return utf8_to_wide((scratch_.path() / name).u8string()); }

    scratch_folder_c scratch_;
    device_store_c store_;
    std::wstring folder_, index_path_;
};

}  // namespace

TEST_F(backup_index_test, writes_the_golden_bytes_and_reads_them_back) {
    backup_index_c index;
    ASSERT_TRUE(record_backup(index, archive("Intel(R)-Ethernet.zip"), {device_texts_of(store_.devices[0])}, index_path_,
                            "2026-12-08"));
    ASSERT_TRUE(record_backup(index, archive("Intel(R)-Wi-Fi.zip"),
                            {device_texts_of(store_.devices[1]), device_texts_of(store_.devices[0])}, index_path_,
                            "2026-12-01"));
    // A second backup of the same archive keeps its place with the new date and devices.
    ASSERT_TRUE(record_backup(index, archive("Intel(R)-Ethernet.zip"), {device_texts_of(store_.devices[0])}, index_path_,
                            "2026-12-09"));
    const std::string bytes = bytes_of(scratch_.path() / "backup.xml");
    EXPECT_EQ(bytes, bytes_of(fs::path(VANTOREL_SOURCE_DIR) / "tests/golden/backup_index.xml"));
    EXPECT_FALSE(fs::exists(scratch_.path() / "backup.xml.tmp"));

    backup_index_c loaded;
    ASSERT_EQ(load_backup_index(loaded, index_path_, folder_, store_).result, 0);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_STREQ(loaded[0].file_name, "Intel(R)-Ethernet.zip");
    EXPECT_STREQ(loaded[0].date, "2026-12-09");
    ASSERT_EQ(loaded[1].devices.size(), 2u);
    EXPECT_STREQ(loaded[1].devices[1].desc, L"Intel(R) Ethernet \u00e9 \u0421\u0435\u0442\u044c ]]> end");
    EXPECT_EQ(loaded[1].devices[1].device, &store_.devices[0]);
    EXPECT_STREQ(loaded[1].devices[0].archive_name, L"Intel(R)-Wi-Fi.zip");
    EXPECT_STREQ(loaded[1].devices[0].backup_date, L"2026-12-01");

    // An index of an earlier version holds its texts in the ANSI code page.
    scratch_.write("backup.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<vantorel><driver><file><![CDATA["
                                 "Intel(R)-Wi-Fi.zip]]></file><date>2026-12-01</date><devices><device><id><![CDATA[PCI\\1]]>"
                                 "</id><desc><![CDATA[f\xFCr]]></desc><manu><![CDATA[m]]></manu><name><![CDATA[n]]></name>"
                                 "<version><![CDATA[1]]></version><date><![CDATA[d]]></date></device></devices></driver>"
                                 "</vantorel>");
    ASSERT_EQ(load_backup_index(loaded, index_path_, folder_, store_).result, 0);
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_STREQ(loaded[0].devices[0].desc, L"f\u00fcr");
}

TEST_F(backup_index_test, entries_without_a_plain_name_are_dropped_those_without_their_archive_kept) {
    backup_index_c index;
    record_backup(index, archive("Intel(R)-Ethernet.zip"), {device_texts_of(store_.devices[0])}, index_path_, "2026-12-08");
    record_backup(index, archive("Intel(R)-Wi-Fi.zip"), {device_texts_of(store_.devices[1])}, index_path_, "2026-12-08");
    record_backup(index, archive("gone.zip"), {device_texts_of(store_.devices[1])}, index_path_, "2026-12-08");
    std::string text = bytes_of(scratch_.path() / "backup.xml");
    // An entry naming an archive in another folder is ignored, even when that file exists.
    const std::string other = "..\\" + scratch_.path().filename().string() + "\\Intel(R)-Wi-Fi.zip";
    text.replace(text.find("Intel(R)-Wi-Fi.zip"), 18, other);
    std::ofstream(scratch_.path() / "backup.xml", std::ios::binary) << text;
    backup_index_c loaded;
    ASSERT_EQ(load_backup_index(loaded, index_path_, folder_, store_).result, 0);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_STREQ(loaded[0].file_name, "Intel(R)-Ethernet.zip");
    EXPECT_TRUE(loaded[0].archive_present);
    EXPECT_STREQ(loaded[1].file_name, "gone.zip");
    EXPECT_FALSE(loaded[1].archive_present);
}

TEST_F(backup_index_test, devices_absent_from_the_store_are_kept_as_written) {
    backup_index_c index;
    ASSERT_TRUE(record_backup(index, archive("Intel(R)-Wi-Fi.zip"),
                            {device_texts_of(store_.devices[1]), device_texts_of(store_.devices[0])}, index_path_,
                            "2026-12-08"));
    const std::string written = bytes_of(scratch_.path() / "backup.xml");
    store_.devices.pop_back();  // the Wi-Fi adapter is unplugged
    backup_index_c loaded;
    ASSERT_EQ(load_backup_index(loaded, index_path_, folder_, store_).result, 0);
    ASSERT_EQ(loaded.size(), 1u);
    ASSERT_EQ(loaded[0].devices.size(), 2u);
    EXPECT_EQ(loaded[0].devices[0].device, nullptr);
    EXPECT_EQ(loaded[0].devices[1].device, &store_.devices[0]);
    ASSERT_TRUE(save_backup_index(loaded, index_path_));
    EXPECT_EQ(bytes_of(scratch_.path() / "backup.xml"), written);
}

TEST_F(backup_index_test, a_damaged_file_is_set_aside_and_the_index_kept) {
    backup_index_c index;
    record_backup(index, archive("Intel(R)-Ethernet.zip"), {device_texts_of(store_.devices[0])}, index_path_, "2026-12-08");
    const std::string good = bytes_of(scratch_.path() / "backup.xml");
    for (int round = 0; round < 2; ++round) {
        std::ofstream(scratch_.path() / "backup.xml", std::ios::binary) << good.substr(0, good.size() / 2);
        const backup_index_load_c load = load_backup_index(index, index_path_, folder_, store_);
        EXPECT_EQ(load.result, -1);
        EXPECT_EQ(index.size(), 1u);
        EXPECT_FALSE(fs::exists(scratch_.path() / "backup.xml"));
    }
    // Neither damaged file was overwritten by the other.
    EXPECT_EQ(bytes_of(scratch_.path() / "backup.xml.bad"), good.substr(0, good.size() / 2));
    EXPECT_TRUE(fs::exists(scratch_.path() / "backup.xml.bad.1"));
    // An index nested far too deep is set aside like a damaged one, before it is parsed.
    std::ofstream(scratch_.path() / "backup.xml", std::ios::binary) << "<vantorel>" + [] {
        std::string deep;
        for (int i = 0; i < 70000; ++i) deep += "<driver>";
        return deep;
    }();
    EXPECT_EQ(load_backup_index(index, index_path_, folder_, store_).result, -1);
    EXPECT_EQ(index.size(), 1u);
    EXPECT_TRUE(fs::exists(scratch_.path() / "backup.xml.bad.2"));
    // A file without entries leaves the index as it was, and is no damage.
    std::ofstream(scratch_.path() / "backup.xml", std::ios::binary) << "<vantorel/>";
    EXPECT_EQ(load_backup_index(index, index_path_, folder_, store_).result, -1);
    EXPECT_EQ(index.size(), 1u);
    EXPECT_TRUE(fs::exists(scratch_.path() / "backup.xml"));
    // Kept, the entries point into the store they are read against now, not into one a rescan freed.
    device_store_c rescanned;
    rescanned.devices = {store_.devices[1], store_.devices[0]};
    fs::remove(scratch_.path() / "backup.xml");
    EXPECT_EQ(load_backup_index(index, index_path_, folder_, rescanned).result, -1);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0].devices[0].device, &rescanned.devices[1]);
    EXPECT_EQ(load_backup_index(index, index_path_, folder_, device_store_c{}).result, -1);
    EXPECT_EQ(index[0].devices[0].device, nullptr);
}

TEST_F(backup_index_test, a_save_that_cannot_finish_keeps_the_old_file) {
    backup_index_c index;
    record_backup(index, archive("Intel(R)-Ethernet.zip"), {device_texts_of(store_.devices[0])}, index_path_, "2026-12-08");
    const std::string old = bytes_of(scratch_.path() / "backup.xml");
    // The temporary file cannot be made (a folder has its name): the old index stays whole.
    fs::create_directory(scratch_.path() / "backup.xml.tmp");
    EXPECT_FALSE(record_backup(index, archive("Intel(R)-Wi-Fi.zip"), {device_texts_of(store_.devices[1])}, index_path_,
                            "2026-12-09"));
    EXPECT_EQ(bytes_of(scratch_.path() / "backup.xml"), old);
}
