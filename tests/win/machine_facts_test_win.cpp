#include "system/machine_facts.h"
#include "common/last_error.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(machine_facts, basic_facts_describe_this_windows) {
    set_last_error(failure_code_c::none);
    ASSERT_TRUE(collect_basic_facts());
    EXPECT_EQ(last_error(), failure_code_c::none);

    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)));
    EXPECT_EQ(os_version_number(), int(version.dwMajorVersion * 10 + version.dwMinorVersion));
    EXPECT_EQ(os_version().product_type, version.wProductType);
    EXPECT_STREQ(os_code(), derive_os_code(os_version(), is_64bit_windows()));
    EXPECT_EQ(oem_code_page(), GetOEMCP());
}

TEST(machine_facts, a_32_bit_build_on_64_bit_windows_still_sees_64_bit_windows) {
    ASSERT_TRUE(collect_basic_facts());
    SYSTEM_INFO native{};
    GetNativeSystemInfo(&native);
    EXPECT_EQ(is_64bit_windows(), native.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL);
    if (is_64bit_windows()) {
        std::string code = os_code();
        EXPECT_TRUE(code == "NOT_SUPPORTED" || (code.size() > 2 && code.substr(code.size() - 2) == "64")) << code;
    }
}

TEST(machine_facts, program_path_and_folder_come_from_the_system) {
    ASSERT_TRUE(collect_basic_facts());
    wchar_t module[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, module, MAX_PATH), 0u);
    EXPECT_EQ(program_path(), module);
    wchar_t current[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::wstring expected = current;
    if (expected.back() != L'\\') expected += L'\\';
    EXPECT_EQ(program_folder(), expected);
}
