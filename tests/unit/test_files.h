// Scratch files and folders for tests, removed again when the test ends.
#pragma once

#include "common/file_open.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

class scratch_folder_c {
public:
    scratch_folder_c() {
        std::random_device seed;
        path_ = std::filesystem::temp_directory_path() / ("vantorel-test-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(path_);
    }
    ~scratch_folder_c() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    scratch_folder_c(const scratch_folder_c&) = delete;
    scratch_folder_c& operator=(const scratch_folder_c&) = delete;

    const std::filesystem::path& path() const { return path_; }

    std::filesystem::path write(const std::string& name, std::string_view bytes) const {
        auto file = path_ / name;
        std::ofstream out(file, std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// The whole content of a file, or "(missing)" when it cannot be opened.
inline std::string bytes_of(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "(missing)";
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The same for a path in the program's own UTF-16 form.
inline std::string bytes_of(const std::wstring& path) {
    std::FILE* file = open_file(path, "rb");
    if (!file) return "(missing)";
    std::string bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    std::fclose(file);
    return bytes;
}
