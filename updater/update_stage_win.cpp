#include "updater/update_stage_win.h"

#include "common/kernel_handle_win.h"
#include "common/path_join.h"
#include "download/protected_folder_win.h"
#include "updater/update_options_win.h"

#include <windows.h>

#include <optional>
#include <vector>

namespace {

std::wstring file_name_of(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Starts the set-up in its folder with "/S /RUN"; its process id, or none.
std::optional<DWORD> start_silently(const std::wstring& program, const std::wstring& folder) {
    std::wstring command_line = L"\"" + program + L"\" /S /RUN";
    std::vector<wchar_t> writable(command_line.begin(), command_line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &started))
        return std::nullopt;
    kernel_handle_c process(started.hProcess), thread(started.hThread);
    return started.dwProcessId;
}

}  // namespace

int stage_and_start_installer(const std::wstring& installer, const sha256_digest_c& sha256) {
    // Read once and deleted through the same handle: nobody writes, renames or swaps it meanwhile.
    kernel_handle_c source = file_handle(CreateFileW(installer.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return exit_error;
    std::wstring error;
    std::optional<protected_folder_c> folder = protected_folder_c::create(error);
    if (!folder) return exit_error;
    const std::wstring copy = join_path(folder->path(), file_name_of(installer));
    sha256_digest_c digest{};
    if (!copy_hashing(source.get(), copy, digest, error)) return exit_error;
    // The download goes in every case: a set-up that is not the signed one must not stay either.
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(source.get(), FileDispositionInfo, &remove, sizeof remove);
    if (digest != sha256) return exit_refused;
    const std::optional<DWORD> started = start_silently(copy, folder->path());
    if (!started) return exit_error;
    folder->leave_to_program(*started);
    return exit_newer;
}
