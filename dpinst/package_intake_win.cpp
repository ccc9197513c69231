#include "dpinst/package_intake_win.h"

#include "common/hex_text.h"
#include "common/kernel_handle_win.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "download/zip_reader.h"

#include <windows.h>

namespace {

std::wstring system_error(const wchar_t* what, const std::wstring& path) {
    return std::wstring(what) + L" " + path + L" (error " + hex_code(GetLastError()) + L")";
}

}  // namespace

std::optional<package_intake_c> take_in_package(const std::wstring& package, const std::optional<sha256_digest_c>& expected,
                                                bool unpack, std::wstring& error) {
    // Read once, shared for reading only: nobody writes, renames or deletes it while it is copied.
    kernel_handle_c source = file_handle(CreateFileW(package.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) {
        error = system_error(L"cannot open the package", package);
        return std::nullopt;
    }
    std::optional<protected_copy_c> copy = make_protected_copy(source.get(), package, error);
    if (!copy) return std::nullopt;
    if (expected && copy->sha256 != *expected) {
        error = L"the package " + package + L" is not the one that was offered: its SHA-256 is " +
                utf8_to_wide(digest_hex(copy->sha256)) + L", not " + utf8_to_wide(digest_hex(*expected));
        return std::nullopt;
    }
    package_intake_c intake{std::move(copy->folder), copy->path, {}};
    if (!unpack) return intake;
    intake.files = join_path(intake.folder.path(), L"files");
    zip_reader_c reader;
    if (!CreateDirectoryW(intake.files.c_str(), nullptr)) {
        error = system_error(L"cannot create", intake.files);
        return std::nullopt;
    }
    if (!reader.open_archive(intake.copy)) {
        error = L"the package " + package + L" is no zip archive";
        return std::nullopt;
    }
    if (reader.extract_all(intake.files) != 0) {
        error = L"the package " + package + L" does not unpack whole: " + utf8_to_wide(reader.problem());
        return std::nullopt;
    }
    return intake;
}

std::wstring inside_package(const package_intake_c& intake, const std::wstring& relative) {
    if (intake.files.empty()) return {};
    std::wstring path = relative;
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    if (path.empty()) return intake.files;
    if (!safe_entry_name(path)) return {};
    return join_relative(intake.files, path);
}
