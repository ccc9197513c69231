#include "dpinst/installer_options.h"

#include <gtest/gtest.h>

namespace {

installer_options_c parsed(const std::vector<std::wstring>& arguments) {
    installer_options_c options;
    std::wstring error;
    EXPECT_TRUE(parse_installer_switches(arguments, options, error)) << std::string(error.begin(), error.end());
    return options;
}

std::wstring refusal(const std::vector<std::wstring>& arguments) {
    installer_options_c options;
    std::wstring error;
    EXPECT_FALSE(parse_installer_switches(arguments, options, error));
    return error;
}

}  // namespace

TEST(dpinst_switches, the_programs_two_command_lines) {
    auto install = parsed({L"/SH", L"/PATH", L"C:\\Downloads\\0123\\drv\\x64"});
    EXPECT_TRUE(install.present_devices_only);
    EXPECT_FALSE(install.force);
    EXPECT_EQ(install.search_path, L"C:\\Downloads\\0123\\drv\\x64");
    EXPECT_TRUE(install.shows_window());

    auto restore = parsed({L"/SH", L"/F", L"/PATH", L"C:\\Backup\\Intel(R)-Ethernet"});
    EXPECT_TRUE(restore.force);
    EXPECT_TRUE(restore.present_devices_only);
}

TEST(dpinst_switches, any_case_either_prefix_and_the_documented_rest) {
    auto options = parsed({L"-s", L"/lm", L"/Sa", L"/c", L"/logtitle", L"Run 1", L"/SE", L"/EL", L"/L", L"0x0409",
                           L"/p"});
    EXPECT_TRUE(options.silent);
    EXPECT_TRUE(options.legacy_mode);
    EXPECT_TRUE(options.no_program_entry);
    EXPECT_TRUE(options.console_log);
    EXPECT_TRUE(options.prompt_if_not_better);
    EXPECT_EQ(options.log_title, L"Run 1");
    EXPECT_TRUE(options.search_path.empty());
    EXPECT_FALSE(options.shows_window());

    EXPECT_FALSE(parsed({L"/Q"}).shows_window());
    EXPECT_FALSE(parsed({L"/SW"}).shows_window());
    EXPECT_TRUE(parsed({L"/?"}).show_help);
    EXPECT_TRUE(parsed({L"/help"}).show_help);
    EXPECT_EQ(parsed({L"/U", L"oem3.inf", L"/S"}).uninstall_inf, L"oem3.inf");
}

TEST(dpinst_switches, refusals_name_what_is_wrong) {
    EXPECT_NE(refusal({L"/X"}).find(L"/X"), std::wstring::npos);
    EXPECT_NE(refusal({L"/SHX"}).find(L"Unknown"), std::wstring::npos);
    EXPECT_NE(refusal({L"C:\\drivers"}).find(L"C:\\drivers"), std::wstring::npos);
    EXPECT_NE(refusal({L"/PATH"}).find(L"Missing value"), std::wstring::npos);
    EXPECT_NE(refusal({L"/U", L""}).find(L"Missing value"), std::wstring::npos);
    EXPECT_NE(refusal({L"/PATH", L"a", L"/path", L"b"}).find(L"twice"), std::wstring::npos);
    EXPECT_NE(refusal({L"/U", L"a.inf", L"/PATH", L"b"}).find(L"/PATH"), std::wstring::npos);
    EXPECT_NE(refusal({L"/A"}).find(L"not supported"), std::wstring::npos);
    EXPECT_NE(refusal({L"/D"}).find(L"not supported"), std::wstring::npos);
    EXPECT_FALSE(refusal({L"/"}).empty());
}
