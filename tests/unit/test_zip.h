// Zip archives made by the tests themselves (minizip's writer), well-formed or hostile.
#pragma once

#include <minizip/zip.h>

#include <cstdint>
#include <string>
#include <vector>

struct test_zip_entry_c {
    std::string name;  // bytes as stored
    std::string data;
    bool deflate = true;
};

// Writes the archive; false when minizip refuses.
inline bool write_test_zip(const std::string& path, const std::vector<test_zip_entry_c>& entries) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) return false;
    bool ok = true;
    for (const auto& entry : entries) {
        zip_fileinfo info{};
        info.dosDate = 0x5A8C6000;  // 2025-04-12 12:00:00
        ok = ok && zipOpenNewFileInZip64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                         entry.deflate ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
        ok = ok && zipWriteInFileInZip(zip, entry.data.data(), unsigned(entry.data.size())) == ZIP_OK;
        ok = ok && zipCloseFileInZip(zip) == ZIP_OK;
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}
