#include "common/file_open.h"

#include "common/file_create.h"

bool write_file_atomically(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".tmp";
    std::FILE* file = replace_with_new_file(temporary);
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && flush_to_disk(file);
    written = std::fclose(file) == 0 && written;
    if (written && replace_file(temporary, path)) return true;
    remove_file(temporary);
    return false;
}

bool flush_file_to_disk(const std::wstring& path) {
    std::FILE* file = open_file(path, "r+b");
    if (!file) return false;
    const bool flushed = flush_to_disk(file);
    return std::fclose(file) == 0 && flushed;
}
