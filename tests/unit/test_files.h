// Scratch files and folders for tests, removed again when the test ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
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
