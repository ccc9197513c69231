// Reading zip archives (driver packages, backups) over minizip, opened by their UTF-16 path, so
// folders outside the ANSI code page work. Extraction writes only inside the folder it is given,
// never overwrites a file that is there, and leaves no cut or corrupt file behind: each entry is
// written under a temporary name and takes its own name only when its data checked out.
#pragma once

#include <cstdint>
#include <string>

class zip_reader_c {
public:
    zip_reader_c() = default;
    ~zip_reader_c() { close_archive(); }
    zip_reader_c(const zip_reader_c&) = delete;
    zip_reader_c& operator=(const zip_reader_c&) = delete;

    // 0 when the archive opened (tried as given, then with ".zip" appended), -1 otherwise.
    int open_archive(const std::wstring& path);
    // Every entry into `folder`, keeping the entries' folders. 0 unless the archive's directory
    // could not be read or it declares more than the total limit (then nothing is written). An
    // entry that cannot be unpacked (an unsafe name, a damaged or cut entry, the limit reached)
    // ends the extraction with what came before it kept; `problem()` then says what stopped it.
    int extract_all(const std::wstring& folder);
    void close_archive();

    const std::string& problem() const { return problem_; }

private:
    bool extract_current(const std::wstring& folder, std::uint64_t& written);

    void* archive_ = nullptr;  // minizip's unzFile
    std::string problem_;
};

// The most one archive may unpack, counted over the bytes actually written.
constexpr std::uint64_t default_unpack_limit = 4ull << 30;
// Test hook: a lower limit, so a bomb need not fill 4 GiB to show.
void set_unpack_limit_for_tests(std::uint64_t limit);
