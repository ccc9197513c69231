#include "dpinst/wine_models_inf.h"

#include <gtest/gtest.h>

namespace {

inf_platform_c windows7_x64() {
    inf_platform_c platform;
    platform.architecture = L"amd64";
    platform.major = 6;
    platform.minor = 1;
    return platform;
}

}  // namespace

TEST(dpinst_wine_models_inf, the_chosen_versioned_section_takes_the_plain_architecture_name) {
    const std::string inf =
        "[Manufacturer]\r\n%Mfg% = Models, NTamd64, NTamd64.6.1 ; comment\r\nOther=Other,NTamd64.10.0\r\n"
        "[Models.NTamd64]\r\n%Old%=Old_Install,PCI\\VEN_1\r\n"
        "[models.ntamd64.6.1]  ; Windows 7\r\n%New%=New_Install,PCI\\VEN_1\r\n"
        "[Other.NTamd64.10.0]\r\n%X%=X,PCI\\VEN_2\r\n";
    const std::string expected =
        "[Manufacturer]\r\n%Mfg%=Models,NTamd64\r\nOther=Other,NTamd64.10.0\r\n"
        "[Models.NTamd64.passed-over]\r\n%Old%=Old_Install,PCI\\VEN_1\r\n"
        "[Models.NTamd64]\r\n%New%=New_Install,PCI\\VEN_1\r\n"
        "[Other.NTamd64.10.0]\r\n%X%=X,PCI\\VEN_2\r\n";
    auto rewritten = inf_with_plain_models_decoration(inf, windows7_x64());
    ASSERT_TRUE(rewritten);
    EXPECT_EQ(*rewritten, expected);
}

TEST(dpinst_wine_models_inf, nothing_to_do_when_the_choice_has_no_version) {
    EXPECT_FALSE(inf_with_plain_models_decoration("[Manufacturer]\r\nA=Models,NTamd64,NTx86.6.1\r\n", windows7_x64()));
    EXPECT_FALSE(inf_with_plain_models_decoration("[Manufacturer]\r\nA=Models\r\n[Models]\r\n", windows7_x64()));
    // A UTF-16 INF keeps its encoding.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Manufacturer]\r\nA=M,NTamd64.6.1\r\n[M.NTamd64.6.1]\r\n")) utf16 += {c, '\0'};
    std::string expected = "\xFF\xFE";
    for (char c : std::string("[Manufacturer]\r\nA=M,NTamd64\r\n[M.NTamd64]\r\n")) expected += {c, '\0'};
    EXPECT_EQ(inf_with_plain_models_decoration(utf16, windows7_x64()), expected);
}
