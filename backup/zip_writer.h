// Writing zip archives (driver backups) over minizip, created by their UTF-16 path.
#pragma once

#include <cstdint>
#include <string>

class zip_writer_c {
public:
    zip_writer_c() = default;
    ~zip_writer_c() { close_archive(); }
    zip_writer_c(const zip_writer_c&) = delete;
    zip_writer_c& operator=(const zip_writer_c&) = delete;

    // Creates the archive, replacing a file of that name. 0, or -1.
    int create_archive(const std::wstring& path);
    // Adds the file under the name (UTF-8, stored with the UTF-8 flag, leading separators
    // dropped), deflated, with the file's time. 0 when the whole file went in; -1 otherwise
    // (`error` tells more).
    int add_file(const std::wstring& source, const std::string& utf8_name);
    // 0 when the archive's directory was written.
    int close_archive();

    int level = -1;  // zlib's default compression
    int error = 0;   // 0, or the error of the last operation (-1 or a minizip code)

private:
    void* archive_ = nullptr;  // minizip's zipFile
};
