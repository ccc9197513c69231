// Fuzzes unpacking a zip archive, which comes from the network: whatever the bytes, nothing may
// land outside the unpack folder and the reader must not fault.
#include "common/text_convert.h"
#include "download/zip_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Memory-backed when the machine has it: every run writes and removes files.
    static const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    static const fs::path work = base / ("vantorel-zip-fuzz-" + std::to_string(::getpid()));
    static const fs::path archive = work / "package.zip";
    static const fs::path folder = work / "unpack" / "inner";
    std::error_code ignored;
    fs::remove_all(work, ignored);
    fs::create_directories(folder);
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    zip_reader_c reader;
    if (reader.open_archive(utf8_to_wide(archive.string()))) reader.extract_all(utf8_to_wide(folder.string()), nullptr, {1 << 20, 4096});
    reader.close_archive();
    // Everything written stays below the unpack folder.
    for (const auto& entry : fs::recursive_directory_iterator(work)) {
        const std::string path = entry.path().string();
        if (entry.path() != archive && entry.path() != work / "unpack" && path.rfind(folder.string(), 0) != 0)
            std::abort();
    }
    fs::remove_all(work, ignored);
    return 0;
}
