// Reading zip archives (driver packages, backups) over minizip, opened by their UTF-16 path, so
// folders outside the ANSI code page work. Extraction writes only inside the folder it is given,
// never overwrites a file that is there, and leaves no cut or corrupt file behind: each entry is
// written under a temporary name and takes its own name only when its data checked out.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// The most one archive may unpack: far above any real driver package, far below a full disk.
struct unpack_limits_c {
    std::uint64_t bytes = 4ull << 30;  // counted over the bytes actually written
    std::uint64_t entries = 65536;
};

class zip_reader_c {
public:
    zip_reader_c() = default;
    ~zip_reader_c() { close_archive(); }
    zip_reader_c(const zip_reader_c&) = delete;
    zip_reader_c& operator=(const zip_reader_c&) = delete;

    // True when the archive opened (tried as given, then with ".zip" appended).
    bool open_archive(const std::wstring& path);
    // Every entry into `folder`, keeping the entries' folders. 0 when every entry was unpacked
    // whole; otherwise negative, and `problem()` says why: the archive's directory cannot be read,
    // it declares more entries or data than the limits or the free disk space allow (then nothing
    // is written), an entry cannot be unpacked (an unsafe name, a damaged or cut entry, the limit
    // reached), or `stop` was set. What was unpacked before stays for the caller to remove.
    int extract_all(const std::wstring& folder, const std::atomic<bool>* stop = nullptr,
                    const unpack_limits_c& limits = {});
    void close_archive();

    const std::string& problem() const { return problem_; }

private:
    bool check_directory(const std::wstring& folder, const unpack_limits_c& limits);
    bool extract_current(const std::wstring& folder, std::uint64_t& written, const std::atomic<bool>* stop,
                         const unpack_limits_c& limits);

    void* archive_ = nullptr;  // minizip's unzFile
    std::string problem_;
};
