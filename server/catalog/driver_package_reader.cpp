#include "server/catalog/driver_package_reader.h"

#include "common/md5.h"
#include "common/text_compare.h"
#include "server/inf/code_page_decoder.h"
#include "server/inf/inf_driver_info.h"
#include "server/catalog/package_inf_records.h"
#include "server/inf/utf8_text.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t largest_member = 32u << 20;  // an INF or catalog file read from an archive

struct zip_closer_c {
    void operator()(void* zip) const { unzClose(zip); }
};
using zip_handle_c = std::unique_ptr<void, zip_closer_c>;

bool ends_with(const std::string& text, const char* suffix) {
    std::string_view s(suffix);
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

// One member of the archive: its size and where its directory entry is, so that it is read
// again from exactly there, whatever its name looks like.
struct member_c {
    std::uint64_t size = 0;
    unz64_file_pos position{};
    bool utf8_name = false;  // the archive says the name is UTF-8 (flag bit 11)
};

// A member's name as text. Zip archives name their members in code page 437 unless they flag
// the name as UTF-8; names that are well-formed UTF-8 without the flag are taken as UTF-8 too,
// since many tools write them so.
std::string member_name_text(const std::string& name, const member_c& member) {
    if (member.utf8_name) return well_formed_utf8(name);
    return is_well_formed_utf8(name) ? name : code_page_text_to_utf8(name, 437);
}

// Every member by its name with "/" separators. A name that appears twice makes the package
// ambiguous and is refused.
bool list_members(unzFile zip, std::map<std::string, member_c>& members, std::string& error) {
    int status = unzGoToFirstFile(zip);
    while (status == UNZ_OK) {
        unz_file_info64 info{};
        char name[1024];
        member_c member;
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
            unzGetFilePos64(zip, &member.position) != UNZ_OK) {
            error = "unreadable directory entry";
            return false;
        }
        std::string path(name, strnlen(name, sizeof name));
        std::replace(path.begin(), path.end(), '\\', '/');
        member.size = info.uncompressed_size;
        member.utf8_name = (info.flag & 0x800) != 0;
        if (!path.empty() && path.back() != '/' && !members.emplace(path, member).second) {
            error = path + ": stored twice in the archive";
            return false;
        }
        status = unzGoToNextFile(zip);
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) {
        error = "damaged zip directory";
        return false;
    }
    return true;
}

bool read_member(unzFile zip, const std::string& path, const member_c& member, std::string& bytes, std::string& error) {
    std::uint64_t size = member.size;
    if (size > largest_member) {
        error = path + ": larger than " + std::to_string(largest_member >> 20) + " MiB";
        return false;
    }
    unz64_file_pos position = member.position;
    if (unzGoToFilePos64(zip, &position) != UNZ_OK) {
        error = path + ": cannot be found again in the archive";
        return false;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        error = path + ": cannot be opened (encrypted or unsupported compression)";
        return false;
    }
    bytes.assign(std::size_t(size), '\0');
    int read = size ? unzReadCurrentFile(zip, bytes.data(), unsigned(size)) : 0;
    char extra;
    int more = unzReadCurrentFile(zip, &extra, 1);
    int closed = unzCloseCurrentFile(zip);
    if (read != int(size) || more != 0 || closed != UNZ_OK) {
        error = path + ": damaged (" + (closed == UNZ_CRCERROR ? "checksum mismatch" : "cannot be inflated") + ")";
        return false;
    }
    return true;
}

std::string folder_of(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

bool read_archive_digests(const std::string& path, archive_digests_c& digests, std::string& error) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return error = "cannot be read: " + std::string(std::strerror(errno)), false;
    md5_c md5;
    sha256_c sha256;
    std::vector<char> block(1u << 20);
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
        md5.update(block.data(), got);
        sha256.update(block.data(), got);
    }
    if (std::ferror(file.get())) return error = "cannot be read: " + std::string(std::strerror(errno)), false;
    digests.size = sha256.bytes();
    digests.md5 = md5.hex_digest();
    digests.sha256 = sha256.finish();
    return true;
}

bool valid_package_file_name(const std::string& name) {
    if (name.empty() || name.size() > 200 || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
               c == '-' || c == '+';
    });
}

int signature_class_of_catalog(const std::string& catalog_bytes) {
    static const std::string whql_publisher = "Microsoft Windows Hardware Compatibility Publisher";
    return catalog_bytes.find(whql_publisher) != std::string::npos ? signature_whql : signature_other;
}

bool read_driver_package(const std::string& archive_path, const package_options_c& options,
                         catalog_package_c& package, std::string& error) {
    package = catalog_package_c{};
    package.file_name = std::filesystem::path(archive_path).filename().string();
    auto fail = [&](const std::string& why) {
        error = package.file_name + ": " + why;
        return false;
    };
    if (!valid_package_file_name(package.file_name))
        return fail("not a usable package file name (letters, digits and . _ - + only)");
    archive_digests_c digests;
    std::string why;
    if (!read_archive_digests(archive_path, digests, why)) return fail(why);
    package.size = digests.size;
    package.md5 = digests.md5;
    package.sha256 = digest_hex(digests.sha256);

    zip_handle_c zip(unzOpen64(archive_path.c_str()));
    if (!zip) return fail("not a zip archive");
    std::map<std::string, member_c> members;
    if (!list_members(zip.get(), members, why)) return fail(why);
    // Catalog files by lower-cased path, since INF files name them without regard to case.
    std::map<std::string, std::string> members_by_lower;
    for (const auto& member : members) members_by_lower[ascii_lowered(member.first)] = member.first;

    // The INF files' sizes as the directory gives them (each read is held to its size).
    const package_bounds_c& bounds = options.bounds;
    std::uint64_t inf_bytes = 0;
    for (const auto& [path, member] : members)
        if (ends_with(ascii_lowered(path), ".inf")) inf_bytes += member.size;
    if (inf_bytes > bounds.inf_bytes)
        return fail("its INF files hold " + std::to_string(inf_bytes) + " bytes, more than the " +
                    std::to_string(bounds.inf_bytes) + " allowed (--max-inf-bytes)");
    std::size_t model_lines = 0;

    int worst_sign = signature_whql;
    for (const auto& [path, member] : members) {
        if (!ends_with(ascii_lowered(path), ".inf")) continue;
        std::string bytes;
        if (!read_member(zip.get(), path, member, bytes, why)) return fail(why);
        inf_file_c inf;
        inf_error_c inf_error;
        inf_driver_info_c info;
        std::size_t records_left = bounds.records - std::min(bounds.records, package.entries.size());
        if (!parse_inf_text(bytes, inf, inf_error))
            return fail(path + (inf_error.line_number ? " line " + std::to_string(inf_error.line_number) : std::string()) +
                        ": " + inf_error.message);
        if (!read_driver_info(inf, info, inf_error, records_left)) {
            if (inf_error.past_entry_bound)
                return fail("more than " + std::to_string(bounds.records) + " catalog records (--max-records), at " + path +
                            " line " + std::to_string(inf_error.line_number));
            return fail(path + (inf_error.line_number ? " line " + std::to_string(inf_error.line_number) : std::string()) +
                        ": " + inf_error.message);
        }
        // Entries of one model line follow each other: a new line number is a new line.
        int last_line = -1;
        for (const inf_model_entry_c& model : info.models) {
            if (model.line_number != last_line) ++model_lines;
            last_line = model.line_number;
        }
        if (model_lines > bounds.model_lines)
            return fail("more than " + std::to_string(bounds.model_lines) + " model lines (--max-model-lines), at " + path);
        if (info.models.empty()) continue;  // not a device driver's INF (a filter, a co-installer)
        if (info.driver_date.empty()) {
            const inf_line_c* line = inf.find_line("Version", "DriverVer");
            return fail(path + (line ? " line " + std::to_string(line->line_number) : std::string()) +
                        ": DriverVer gives no driver date");
        }
        int sign = signature_none;
        if (!info.catalog_file.empty()) {
            auto found = members_by_lower.find(ascii_lowered(folder_of(path) + info.catalog_file));
            if (found != members_by_lower.end()) {
                std::string catalog;
                if (!read_member(zip.get(), found->second, members.at(found->second), catalog, why)) return fail(why);
                sign = signature_class_of_catalog(catalog);
            }
        }
        worst_sign = std::max(worst_sign, sign);

        add_inf_records(package, member_name_text(path, member), info);
    }
    if (package.entries.empty()) return fail("holds no INF file with device models");
    package.sign = options.sign >= 0 ? options.sign : worst_sign;
    package.official_link = options.official_link;
    package.title = options.title.empty() ? package.entries.front().description + " driver " + package.infs.front().driver_version
                                          : options.title;
    return true;
}
