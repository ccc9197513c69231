#include "download/zip_reader.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "download/zip_platform.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

std::atomic<std::uint64_t> unpack_limit{default_unpack_limit};

// Names of 256 bytes or more are refused: no real package has them.
constexpr uLong longest_name = 255;
constexpr std::size_t copy_block = 64 * 1024;
// Entries whose names say UTF-8 (general purpose bit 11); others are in the ANSI code page.
constexpr uLong utf8_name_flag = 0x800;

unzFile handle(void* archive) { return static_cast<unzFile>(archive); }

std::wstring parent_folder(const std::wstring& path) {
    const std::size_t last = path.find_last_of(L"/\\");
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

}  // namespace

void set_unpack_limit_for_tests(std::uint64_t limit) { unpack_limit.store(limit); }

int zip_reader_c::open_archive(const std::wstring& path) {
    close_archive();
    if (path.empty()) return -1;
    archive_ = open_zip_archive(path);
    if (!archive_) archive_ = open_zip_archive(path + L".zip");
    return archive_ ? 0 : -1;
}

void zip_reader_c::close_archive() {
    if (archive_) unzClose(handle(archive_));
    archive_ = nullptr;
}

int zip_reader_c::extract_all(const std::wstring& folder) {
    problem_.clear();
    if (!archive_) return -1;
    unzFile zip = handle(archive_);
    unz_global_info64 global{};
    int result = unzGetGlobalInfo64(zip, &global);
    if (result != UNZ_OK) {
        problem_ = "the archive's directory cannot be read";
        return result;
    }
    if (global.number_entry == 0) return result;

    // What the entries declare is checked before anything is written; what they really produce
    // is counted while writing.
    std::uint64_t declared = 0;
    for (result = unzGoToFirstFile(zip); result == UNZ_OK; result = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if ((result = unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0)) != UNZ_OK) break;
        declared += std::min<std::uint64_t>(info.uncompressed_size, unpack_limit.load() + 1);
        if (declared > unpack_limit.load()) {
            problem_ = "the archive declares more data than any driver package holds";
            return -1;
        }
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        problem_ = "the archive's directory cannot be read";
        return result;
    }

    if ((result = unzGoToFirstFile(zip)) != UNZ_OK) return result;
    std::uint64_t written = 0;
    while (extract_current(folder, written)) {
        result = unzGoToNextFile(zip);
        if (result == UNZ_END_OF_LIST_OF_FILE) return 0;
        if (result != UNZ_OK) return result;
    }
    return 0;
}

bool zip_reader_c::extract_current(const std::wstring& folder, std::uint64_t& written) {
    unzFile zip = handle(archive_);
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        problem_ = "an entry cannot be read";
        return false;
    }
    // The stored length comes first: minizip leaves a name that fills its buffer unterminated.
    if (info.size_filename == 0 || info.size_filename > longest_name) {
        problem_ = "an entry name of " + std::to_string(info.size_filename) + " bytes";
        return false;
    }
    char raw[longest_name + 1] = {};
    if (unzGetCurrentFileInfo64(zip, &info, raw, sizeof raw, nullptr, 0, nullptr, 0) != UNZ_OK ||
        std::strlen(raw) != info.size_filename) {
        problem_ = "an entry name that cannot be read";
        return false;
    }
    // Names without the UTF-8 flag are in the OEM code page, as zip tools on Windows write them.
    const std::wstring name = (info.flag & utf8_name_flag) ? utf8_to_wide(raw) : oem_to_wide(raw);
    if (!safe_entry_name(name)) {
        problem_ = "an entry name that would leave the folder or is no file name: " + wide_to_utf8(name);
        return false;
    }
    const std::wstring target = join_relative(folder, name);
    if (name.back() == L'/' || name.back() == L'\\') {
        create_folders(target);
        return true;
    }
    // Never overwrite: what an earlier unpacking left stays as it is.
    if (file_exists(target)) return true;
    create_folders(parent_folder(target));

    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        problem_ = "the entry " + wide_to_utf8(name) + " cannot be opened";
        return false;
    }
    // The temporary name is one no file has, not even an entry unpacked before ("x.unpacking").
    std::wstring part = target + L".unpacking";
    for (int n = 1; file_exists(part); ++n) part = target + L".unpacking" + std::to_wstring(n);
    std::FILE* out = open_file(part, "wb");
    bool sound = out != nullptr;
    if (!sound) problem_ = "cannot create " + wide_to_utf8(target);
    std::vector<char> buffer(copy_block);
    std::uint64_t entry_bytes = 0;
    while (sound) {
        const int n = unzReadCurrentFile(zip, buffer.data(), unsigned(buffer.size()));
        if (n == 0) break;
        if (n < 0) {
            problem_ = "the entry " + wide_to_utf8(name) + " is damaged or cut";
            sound = false;
            break;
        }
        entry_bytes += unsigned(n);
        if ((written += unsigned(n)) > unpack_limit.load()) {
            problem_ = "the archive unpacks to more data than any driver package holds";
            sound = false;
        } else if (std::fwrite(buffer.data(), 1, std::size_t(n), out) != std::size_t(n)) {
            problem_ = "cannot write " + wide_to_utf8(target);
            sound = false;
        }
    }
    if (out && std::fclose(out) != 0 && sound) {
        problem_ = "cannot write " + wide_to_utf8(target);
        sound = false;
    }
    // Data that ends before the entry's declared size is cut: minizip checks the CRC only of an
    // entry read to its declared end.
    if (sound && entry_bytes != info.uncompressed_size) {
        problem_ = "the entry " + wide_to_utf8(name) + " is cut (" + std::to_string(entry_bytes) + " of " +
                   std::to_string(info.uncompressed_size) + " bytes)";
        sound = false;
    }
    // Closing the entry checks its CRC once all of its data was read.
    const int closed = unzCloseCurrentFile(zip);
    if (sound && closed != UNZ_OK) {
        problem_ = "the entry " + wide_to_utf8(name) + " fails its CRC check";
        sound = false;
    }
    if (!sound || !replace_file(part, target)) {
        if (sound) problem_ = "cannot name " + wide_to_utf8(target);
        remove_file(part);
        return false;
    }
    set_file_time_from_dos(target, std::uint32_t(info.dosDate));
    return true;
}
