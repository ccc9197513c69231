// The folder the installer copies a package into before anything of it runs elevated: who may
// write it, also when a user made it first.
#include "common/wine_detection_win.h"
#include "download/protected_folder_win.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <optional>
#include <string>

namespace {

// Rights that change a folder or what is in it.
constexpr ACCESS_MASK changing_rights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                        FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                        GENERIC_ALL;

bool is_well_known(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE buffer[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof buffer;
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

// Every ACE of the access list that lets anyone change the folder names SYSTEM or the
// Administrators, and the list is protected from what the folders above would pass down.
void expect_only_administrators_write(PSECURITY_DESCRIPTOR descriptor) {
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << "no access list: everyone may do anything";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &ace));
        if (static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        if ((allowed->Mask & changing_rights) == 0) continue;
        PSID sid = &allowed->SidStart;
        EXPECT_TRUE(is_well_known(sid, WinLocalSystemSid) || is_well_known(sid, WinBuiltinAdministratorsSid))
            << "ACE " << i << " lets another account change it (mask " << std::hex << allowed->Mask << ")";
    }
}

struct local_free_c {
    void operator()(void* memory) const { LocalFree(memory); }
};

// The folder's descriptor as the system keeps it.
std::unique_ptr<void, local_free_c> stored_descriptor(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return nullptr;
    return std::unique_ptr<void, local_free_c>(descriptor);
}

}  // namespace

TEST(dpinst_staging, only_system_and_the_administrators_may_change_the_folder_even_one_a_user_made) {
    // What the folders are given.
    PSECURITY_DESCRIPTOR asked = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(protected_folder_sddl, SDDL_REVISION_1, &asked, nullptr));
    expect_only_administrators_write(asked);
    LocalFree(asked);

    // Any user may make folders in ProgramData: one made first, open to everyone, is taken back.
    const std::wstring root = staging_root();
    ASSERT_FALSE(root.empty());
    const std::wstring product = root.substr(0, root.find_last_of(L'\\'));
    PSECURITY_DESCRIPTOR open_to_all = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1, &open_to_all,
                                                                     nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, open_to_all, FALSE};
    CreateDirectoryW(product.c_str(), &attributes);
    CreateDirectoryW(root.c_str(), &attributes);
    LocalFree(open_to_all);

    std::wstring error;
    std::optional<protected_folder_c> folder = protected_folder_c::create(error);
    ASSERT_TRUE(folder) << std::string(error.begin(), error.end());
    // What they have. Wine keeps no security descriptor on files (it makes one up from the Unix
    // permissions, which it leaves as they are), so this is read back only where one is kept.
    if (!running_on_wine()) {
        for (const std::wstring& path : {product, root, folder->path()}) {
            SCOPED_TRACE(std::string(path.begin(), path.end()));
            auto stored = stored_descriptor(path);
            ASSERT_TRUE(stored);
            expect_only_administrators_write(stored.get());
        }
    }
    const std::wstring path = folder->path();
    folder.reset();
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the folder outlived its object";
}

TEST(dpinst_staging, a_new_run_removes_what_ended_runs_left_and_keeps_the_folders_of_runs_going_on) {
    const std::wstring root = staging_root();
    std::wstring error;
    std::optional<protected_folder_c> first = protected_folder_c::create(error);
    ASSERT_TRUE(first) << std::string(error.begin(), error.end());
    // A folder of this process (a run going on) and one of a process that has ended.
    const std::wstring ours = root + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-0-0";
    const std::wstring ended = root + L"\\4294967290-0-0";
    ASSERT_TRUE(CreateDirectoryW(ours.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(ended.c_str(), nullptr));
    std::optional<protected_folder_c> second = protected_folder_c::create(error);
    ASSERT_TRUE(second) << std::string(error.begin(), error.end());
    EXPECT_NE(GetFileAttributesW(first->path().c_str()), INVALID_FILE_ATTRIBUTES) << "a run going on lost its folder";
    EXPECT_NE(GetFileAttributesW(ours.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW(ended.c_str()), INVALID_FILE_ATTRIBUTES) << "an ended run's folder stayed";
    RemoveDirectoryW(ours.c_str());
}
