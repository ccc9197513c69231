#include "download/unpacked_files.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::vector<std::wstring> files_ending_in(const std::wstring& folder, const std::wstring& extension) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (fs::directory_iterator it(fs::u8path(wide_to_utf8(folder)), error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::wstring name = utf8_to_wide(it->path().filename().u8string());
        if (name.size() >= extension.size() &&
            equal_ignoring_case(name.substr(name.size() - extension.size()), extension))
            names.push_back(name);
    }
    return names;
}

class disk_files_c final : public unpacked_files_c {
public:
    bool is_directory(const std::wstring& path) const override {
        std::error_code error;
        return fs::is_directory(fs::u8path(wide_to_utf8(path)), error);
    }
    bool file_exists(const std::wstring& path) const override { return ::file_exists(path); }
    std::vector<std::wstring> programs_in(const std::wstring& folder) const override {
        return files_ending_in(folder, L".exe");
    }
    void remove_pages(const std::wstring& folder) const override {
        for (const std::wstring& name : files_ending_in(folder, L".htm")) remove_file(join_path(folder, name));
    }
    // Without SetupAPI: the ID anywhere in the file's text (8-bit INF files), without regard to
    // ASCII case.
    bool inf_names_id(const std::wstring& inf_path, const std::wstring& id) const override {
        std::ifstream in(fs::u8path(wide_to_utf8(inf_path)), std::ios::binary);
        if (!in) return true;
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string wanted = wide_to_utf8(id);
        auto lower = [](std::string value) {
            for (char& c : value) c = char(std::tolower(static_cast<unsigned char>(c)));
            return value;
        };
        return lower(text).find(lower(wanted)) != std::string::npos;
    }
};

}  // namespace

const unpacked_files_c& disk_files() {
    static const disk_files_c files;
    return files;
}
