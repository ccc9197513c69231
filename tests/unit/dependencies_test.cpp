// The libraries the program builds on, as this build links them: the cross builds come from the
// setup script, so these checks catch a library built without what the program needs.
#include "tests/unit/test_files.h"

#include <curl/curl.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <tinyxml.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(dependencies, libcurl_speaks_http_and_ftp) {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    ASSERT_NE(info, nullptr);
    std::set<std::string> protocols;
    for (auto protocol = info->protocols; *protocol; ++protocol) protocols.insert(*protocol);
    EXPECT_TRUE(protocols.count("http"));
    EXPECT_TRUE(protocols.count("ftp"));
    EXPECT_TRUE(info->features & CURL_VERSION_LIBZ);
}

TEST(dependencies, zlib_stream_round_trip) {
    const std::string text(5000, 'v');
    uLongf packed_size = compressBound(uLong(text.size()));
    std::string packed(packed_size, '\0');
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
                       reinterpret_cast<const Bytef*>(text.data()), uLong(text.size())),
              Z_OK);
    EXPECT_EQ(static_cast<unsigned char>(packed[0]), 0x78);
    std::string unpacked(text.size(), '\0');
    uLongf unpacked_size = uLongf(unpacked.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(unpacked.data()), &unpacked_size,
                         reinterpret_cast<const Bytef*>(packed.data()), packed_size),
              Z_OK);
    EXPECT_EQ(unpacked, text);
}

TEST(dependencies, tinyxml_reads_cdata_and_prints_with_tabs) {
    TiXmlDocument document;
    document.Parse("<root><item><![CDATA[a<b]]></item></root>");
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    TiXmlElement* item = document.RootElement()->FirstChildElement("item");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->GetText(), "a<b");
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    document.Accept(&printer);
    EXPECT_NE(std::string(printer.CStr()).find("\t<item>"), std::string::npos);
}

TEST(dependencies, minizip_writes_and_reads_an_archive) {
    scratch_folder_c folder;
    const std::string archive = (folder.path() / "package.zip").string();
    const std::string payload = "[Version]\r\nSignature=\"$Windows NT$\"\r\n";

    zipFile writer = zipOpen64(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(writer, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip64(writer, "driver/sample.inf", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                    Z_DEFAULT_COMPRESSION, 0),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(writer, payload.data(), unsigned(payload.size())), ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(writer), ZIP_OK);
    ASSERT_EQ(zipClose(writer, nullptr), ZIP_OK);

    unzFile reader = unzOpen64(archive.c_str());
    ASSERT_NE(reader, nullptr);
    ASSERT_EQ(unzLocateFile(reader, "driver/sample.inf", 0), UNZ_OK);
    ASSERT_EQ(unzOpenCurrentFile(reader), UNZ_OK);
    std::string read_back(payload.size() + 10, '\0');
    int count = unzReadCurrentFile(reader, read_back.data(), unsigned(read_back.size()));
    unzCloseCurrentFile(reader);
    unzClose(reader);
    ASSERT_EQ(count, int(payload.size()));
    read_back.resize(std::size_t(count));
    EXPECT_EQ(read_back, payload);
}
