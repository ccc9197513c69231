#include "updater/update_stage_win.h"

#include "common/kernel_handle_win.h"
#include "common/program_start_win.h"
#include "download/protected_folder_win.h"
#include "updater/update_options_win.h"

#include <windows.h>

#include <optional>

int stage_and_start_installer(const std::wstring& installer, const sha256_digest_c& sha256) {
    // Read once and deleted through the same handle: nobody writes, renames or swaps it meanwhile.
    kernel_handle_c source = file_handle(CreateFileW(installer.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source) return exit_error;
    std::wstring error;
    std::optional<protected_copy_c> copy = make_protected_copy(source.get(), installer, error);
    if (!copy) return exit_error;
    // The download goes in every case: a set-up that is not the signed one must not stay either.
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(source.get(), FileDispositionInfo, &remove, sizeof remove);
    if (copy->sha256 != sha256) return exit_refused;
    const std::optional<started_program_c> started = start_program(copy->path, L"/S /RUN", copy->folder.path());
    if (!started) return exit_error;
    copy->folder.leave_to_program(started->id);
    return exit_newer;
}
