// A folder that only SYSTEM and the Administrators may change, for the package an elevated
// installer runs from: %ProgramData%\Vantorel\staging\<unique name>. The folders on the way are
// made the Administrators' own with a protected access list (also when a user made them first,
// which any user may in %ProgramData%), none may be a reparse point, and the folder itself is
// new. Users may read and run what is in it; the folder goes with the object.
#pragma once

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

private:
    explicit protected_folder_c(std::wstring path) : path_(std::move(path)) {}
    std::wstring path_;
};

// %ProgramData%\Vantorel\staging; empty when the system names no ProgramData folder.
std::wstring staging_root();
