// Fuzzes the catalog tool's reading of a driver package, a zip archive from any vendor: whatever the
// bytes, reading must not fault, and a package it accepts must hold what the catalog relies on.
#include "server/catalog/driver_package_reader.h"
#include "server/inf/utf8_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool lower_hex(const std::string& text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Memory-backed when the machine has it: every run writes the archive anew.
    static const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    static const fs::path work = base / ("vantorel-package-fuzz-" + std::to_string(::getpid()));
    static const fs::path archive = work / "p.zip";
    std::error_code ignored;
    fs::create_directories(work, ignored);
    if (std::FILE* file = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    catalog_package_c package;
    std::string error;
    const bool read = read_driver_package(archive.string(), package_options_c{}, package, error);
    fs::remove_all(work, ignored);
    if (read) {
        if (package.file_name != "p.zip" || package.size != size) __builtin_trap();
        if (package.md5.size() != 32 || !lower_hex(package.md5)) __builtin_trap();
        if (package.infs.empty() || package.entries.empty()) __builtin_trap();
        for (const catalog_entry_c& entry : package.entries)
            if (entry.inf_index >= package.infs.size()) __builtin_trap();
        // The catalog keeps UTF-8 paths with "/" separators.
        for (const catalog_inf_c& inf : package.infs)
            if (inf.inf_path.find('\\') != std::string::npos || !is_well_formed_utf8(inf.inf_path)) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
