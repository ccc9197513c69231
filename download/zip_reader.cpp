#include "download/zip_reader.h"

#include "common/file_create.h"
#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "download/zip_platform.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace {

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

bool stopped(const std::atomic<bool>* stop) { return stop && stop->load(); }

}  // namespace

bool zip_reader_c::open_archive(const std::wstring& path) {
    close_archive();
    if (path.empty()) return false;
    archive_ = open_zip_archive(path);
    if (!archive_) archive_ = open_zip_archive(path + L".zip");
    return archive_ != nullptr;
}

void zip_reader_c::close_archive() {
    if (archive_) unzClose(handle(archive_));
    archive_ = nullptr;
}

// What the directory declares is checked before anything is written: the number of entries, the
// data against the limit and against the free space of the folder's volume.
bool zip_reader_c::check_directory(const std::wstring& folder, const unpack_limits_c& limits) {
    unzFile zip = handle(archive_);
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) {
        problem_ = "the archive's directory cannot be read";
        return false;
    }
    if (global.number_entry > limits.entries) {
        problem_ = "the archive holds " + std::to_string(global.number_entry) + " entries, more than any driver package";
        return false;
    }
    std::uint64_t declared = 0;
    int result = UNZ_OK;
    for (result = unzGoToFirstFile(zip); result == UNZ_OK; result = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        if ((result = unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0)) != UNZ_OK) break;
        declared += std::min<std::uint64_t>(info.uncompressed_size, limits.bytes + 1);
        if (declared > limits.bytes) {
            problem_ = "the archive declares more data than any driver package holds";
            return false;
        }
    }
    if (result != UNZ_END_OF_LIST_OF_FILE && !(global.number_entry == 0 && result == UNZ_OK)) {
        problem_ = "the archive's directory cannot be read";
        return false;
    }
    const std::optional<std::uint64_t> free = free_disk_space(folder);
    if (free && declared > *free) {
        problem_ = "the archive needs " + std::to_string(declared) + " bytes, but the disk has only " +
                   std::to_string(*free) + " free";
        return false;
    }
    return true;
}

int zip_reader_c::extract_all(const std::wstring& folder, const std::atomic<bool>* stop,
                              const unpack_limits_c& limits) {
    problem_.clear();
    if (!archive_) return -1;
    if (!check_directory(folder, limits)) return -1;
    unzFile zip = handle(archive_);
    int result = unzGoToFirstFile(zip);
    if (result == UNZ_END_OF_LIST_OF_FILE) return 0;  // an empty archive
    std::uint64_t written = 0;
    while (result == UNZ_OK) {
        if (!extract_current(folder, written, stop, limits)) return -1;
        result = unzGoToNextFile(zip);
    }
    if (result == UNZ_END_OF_LIST_OF_FILE) return 0;
    problem_ = "the archive's directory cannot be read";
    return -1;
}

bool zip_reader_c::extract_current(const std::wstring& folder, std::uint64_t& written, const std::atomic<bool>* stop,
                                   const unpack_limits_c& limits) {
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
    // An entry repeated under the same name: the first one stays.
    if (file_exists(target)) return true;
    create_folders(parent_folder(target));

    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        problem_ = "the entry " + wide_to_utf8(name) + " cannot be opened";
        return false;
    }
    // The temporary file is created new, under a name nothing has, not even an entry unpacked
    // before ("x.unpacking"), nor a link planted there.
    std::wstring part = target + L".unpacking";
    std::FILE* out = create_new_file(part);
    for (int n = 1; !out && n < 100; ++n) out = create_new_file(part = target + L".unpacking" + std::to_wstring(n));
    bool sound = out != nullptr;
    if (!sound) problem_ = "cannot create " + wide_to_utf8(target);
    std::vector<char> buffer(copy_block);
    std::uint64_t entry_bytes = 0;
    while (sound) {
        if (stopped(stop)) {
            problem_ = "the unpacking was stopped";
            sound = false;
            break;
        }
        const int n = unzReadCurrentFile(zip, buffer.data(), unsigned(buffer.size()));
        if (n == 0) break;
        if (n < 0) {
            problem_ = "the entry " + wide_to_utf8(name) + " is damaged or cut";
            sound = false;
            break;
        }
        entry_bytes += unsigned(n);
        if ((written += unsigned(n)) > limits.bytes) {
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
