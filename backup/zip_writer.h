// Writing zip archives (driver backups) over minizip, created by their UTF-16 path. The archive's
// SHA-256 is taken through the handle it was written with, just before that handle closes: the
// digest a restore checks is that of the bytes written, whatever happens to the file afterwards
// in a folder the user can write to.
#pragma once

#include "common/sha256.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct archive_hashing_c;

class zip_writer_c {
public:
    zip_writer_c();
    ~zip_writer_c();
    zip_writer_c(const zip_writer_c&) = delete;
    zip_writer_c& operator=(const zip_writer_c&) = delete;

    // Creates the archive, replacing a file of that name; false when it cannot be created.
    bool create_archive(const std::wstring& path);
    // Adds the file under the name (UTF-8, stored with the UTF-8 flag, leading separators
    // dropped), deflated, with the file's time. True when the whole file went in (else `error`
    // tells more).
    bool add_file(const std::wstring& source, const std::string& utf8_name);
    // True when the archive's directory was written (or no archive was open).
    bool close_archive();
    // The SHA-256 of the archive as the last close_archive left it; none when it could not be read
    // back or no archive was closed.
    const std::optional<sha256_digest_c>& written_digest() const;

    int level = -1;  // zlib's default compression
    int error = 0;   // 0, or the error of the last operation (-1 or a minizip code)

private:
    // Keeps -1 as the last error; false.
    bool failed();

    void* archive_ = nullptr;  // minizip's zipFile
    std::unique_ptr<archive_hashing_c> hashing_;
};
