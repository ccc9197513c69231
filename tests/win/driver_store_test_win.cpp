// Locating installed INF files in the driver store: the system's own call where it has one, by
// content where it lacks it (Wine), and through Sysnative in a 32-bit process on 64-bit Windows.
#include "system/machine_facts.h"
#include "backup/driver_store_win.h"
#include "common/file_open.h"
#include "common/path_join.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

TEST(driver_store, an_installed_inf_is_found_in_its_package_folder) {
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_EQ(prepare_driver_store(os_version_number()), 0);
    const driver_store_location_c& location = driver_store_location();
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    EXPECT_NE(location.root.find(wow64 ? L"\\Sysnative\\DriverStore" : L"\\System32\\DriverStore"), std::wstring::npos);

    // A package as the driver package installer leaves it: the published INF and its store copy.
    const std::wstring name = L"oemvantoreltest" + std::to_wstring(GetCurrentProcessId()) + L".inf";
    const std::wstring folder = join_path(location.root, L"vantoreltest.inf_amd64_0123456789abcdef");
    ASSERT_TRUE(create_folders(folder));
    const std::string text = "[Version]\r\nSignature=\"$Windows NT$\"\r\nDriverVer=01/02/2020,1.2.3." +
                             std::to_string(GetCurrentProcessId()) + "\r\n";
    std::ofstream(join_path(folder, L"vantoreltest.inf").c_str(), std::ios::binary) << text;
    std::ofstream(join_path(inf_folder(), name).c_str(), std::ios::binary) << text;

    const auto found = location.locate(name);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, join_path(folder, L"vantoreltest.inf"));
    EXPECT_FALSE(location.locate(L"oemnosuch.inf").has_value());

    remove_file(join_path(inf_folder(), name));
    remove_file(join_path(folder, L"vantoreltest.inf"));
    RemoveDirectoryW(folder.c_str());
}
