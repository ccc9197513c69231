// A folder that only SYSTEM and the Administrators may change, for the package an elevated
// installer runs from: %ProgramData%\Vantorel\staging\<unique name>. The folders on the way are
// made the Administrators' own with a protected access list (also when a user made them first,
// which any user may in %ProgramData%), none may be a reparse point, and the folder itself is
// new. Users may read and run what is in it; the folder goes with the object. Used by the driver
// package installer and by the updater's elevated step.
#pragma once

#include "common/sha256.h"

#include <windows.h>

#include <optional>
#include <string>

// Owner Administrators; full control for SYSTEM and the Administrators, read and run for Users;
// nothing inherited from above.
constexpr const wchar_t* protected_folder_sddl = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

class protected_folder_c {
public:
    protected_folder_c(protected_folder_c&& other) noexcept;
    protected_folder_c& operator=(protected_folder_c&&) = delete;
    protected_folder_c(const protected_folder_c&) = delete;
    ~protected_folder_c();

    // A new folder under the staging folder; none, with the reason, when it cannot be made so.
    static std::optional<protected_folder_c> create(std::wstring& error);

    const std::wstring& path() const { return path_; }
    // Leaves the folder to a program started from it that outlives this object: its process id
    // is written there, and a later run removes the folder only once that program has ended.
    void leave_to_program(DWORD process_id);

private:
    explicit protected_folder_c(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
};

// %ProgramData%\Vantorel\staging; empty when the system names no ProgramData folder.
std::wstring staging_root();

// A copy of an open file in a new protected folder, under the name the file has at `source_path`,
// with the SHA-256 of the bytes copied (read once, through the handle); none, with the reason,
// when the folder cannot be made or a read or write fails.
struct protected_copy_c {
    protected_folder_c folder;
    std::wstring path;
    sha256_digest_c sha256{};
};
std::optional<protected_copy_c> make_protected_copy(HANDLE source, const std::wstring& source_path, std::wstring& error);
