#include "dpinst/package_intake_win.h"

#include "common/kernel_handle_win.h"
#include "common/path_join.h"
#include "common/text_convert.h"
#include "download/zip_entry_name.h"
#include "download/zip_reader.h"
#include "dpinst/device_problem.h"

#include <windows.h>

#include <vector>

namespace {

std::wstring file_name_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

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
    std::optional<protected_folder_c> folder = protected_folder_c::create(error);
    if (!folder) return std::nullopt;
    package_intake_c intake{std::move(*folder), {}, {}};
    intake.copy = join_path(intake.folder.path(), file_name_of(package));
    sha256_digest_c digest{};
    if (!copy_hashing(source.get(), intake.copy, digest, error)) return std::nullopt;
    if (expected && digest != *expected) {
        error = L"the package " + package + L" is not the one that was offered: its SHA-256 is " +
                utf8_to_wide(digest_hex(digest)) + L", not " + utf8_to_wide(digest_hex(*expected));
        return std::nullopt;
    }
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
