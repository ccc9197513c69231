#include "server/catalog/package_archive_writer.h"

#include <minizip/zip.h>

#include <zlib.h>

bool write_zip_archive(const std::string& path, const std::vector<archive_member_c>& members, std::string& error) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) {
        error = "cannot create " + path;
        return false;
    }
    bool ok = true;
    for (const auto& [name, bytes] : members) {
        zip_fileinfo info{};
        info.tmz_date = {0, 0, 12, 1, 5, 2020};  // 2020-06-01 12:00:00
        if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                  Z_DEFAULT_COMPRESSION, bytes.size() >= 0xFFFFFFFFu) != ZIP_OK ||
            zipWriteInFileInZip(zip, bytes.data(), unsigned(bytes.size())) != ZIP_OK || zipCloseFileInZip(zip) != ZIP_OK) {
            error = "cannot write " + name + " into " + path;
            ok = false;
            break;
        }
    }
    if (zipClose(zip, nullptr) != ZIP_OK && ok) {
        error = "cannot finish " + path;
        ok = false;
    }
    return ok;
}
