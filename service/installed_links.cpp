#include "service/installed_links.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_lines.h"

#include <cstdio>

std::wstring installed_links_path(const std::wstring& data_folder) { return join_path(data_folder, L"setup.dat"); }

std::optional<std::set<std::string>> read_installed_links(const std::wstring& path) {
    if (path.empty()) return std::nullopt;
    std::FILE* file = open_file(path, "r");
    if (!file) return std::nullopt;
    std::set<std::string> links;
    std::string line;
    while (read_text_line(file, line)) {
        const char* blanks = " \t\n\r";
        std::size_t first = line.find_first_not_of(blanks);
        if (first == std::string::npos) continue;
        std::size_t last = line.find_last_not_of(blanks);
        links.insert(line.substr(first, last - first + 1));
    }
    std::fclose(file);
    return links;
}

bool append_installed_link(const std::wstring& path, const std::string& link) {
    if (link.empty() || link.find_first_of("\r\n") != std::string::npos) return false;
    std::FILE* file = open_file(path, "a+b");
    if (!file) return false;
    // A last line without its line end (edited by hand) must not run into this one.
    bool needs_break = false;
    if (std::fseek(file, -1, SEEK_END) == 0) needs_break = std::fgetc(file) != '\n';
    std::fseek(file, 0, SEEK_END);
    const std::string line = (needs_break ? "\n" : "") + link + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    return std::fclose(file) == 0 && written;
}

bool remove_installed_link(const std::wstring& path, const std::string& link) {
    std::FILE* file = open_file(path, "rb");
    if (!file) return !file_exists(path);
    std::string kept, line;
    bool found = false;
    while (read_text_line(file, line)) {
        std::string bare = line;
        while (!bare.empty() && (bare.back() == '\r' || bare.back() == ' ' || bare.back() == '\t'))
            bare.pop_back();
        const std::size_t first = bare.find_first_not_of(" \t");
        if (first != std::string::npos && bare.substr(first) == link) {
            found = true;
            continue;
        }
        kept += line + "\n";
    }
    const bool read = !std::ferror(file);
    std::fclose(file);
    if (!read) return false;
    return !found || write_file_atomically(path, kept);
}
