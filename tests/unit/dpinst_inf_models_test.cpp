#include "devices/inf_models.h"

#include <gtest/gtest.h>

namespace {

inf_platform_c platform(const wchar_t* architecture, unsigned major, unsigned minor, unsigned build = 0) {
    inf_platform_c p;
    p.architecture = architecture;
    p.major = major;
    p.minor = minor;
    p.build = build;
    return p;
}

std::optional<std::wstring> choose(std::vector<std::wstring> decorations, const inf_platform_c& p) {
    return choose_models_decoration(decorations, p);
}

}  // namespace

TEST(dpinst_inf_models, the_architectures_highest_version_reached_is_chosen) {
    const std::vector<std::wstring> offered = {L"NTx86", L"NTamd64", L"NTamd64.6.1", L"NTamd64.10.0", L"ntAMD64.10.0...19041"};
    EXPECT_EQ(choose(offered, platform(L"amd64", 6, 1)), L"NTamd64.6.1");
    EXPECT_EQ(choose(offered, platform(L"amd64", 6, 0)), L"NTamd64");
    EXPECT_EQ(choose(offered, platform(L"amd64", 10, 0, 18363)), L"NTamd64.10.0");
    EXPECT_EQ(choose(offered, platform(L"amd64", 10, 0, 19045)), L"ntAMD64.10.0...19041");
    EXPECT_EQ(choose(offered, platform(L"x86", 6, 1)), L"NTx86");
}

TEST(dpinst_inf_models, undecorated_and_architecture_free_sections_serve_x86_only) {
    EXPECT_EQ(choose({}, platform(L"x86", 6, 1)), L"");
    EXPECT_EQ(choose({L"NT.6.0"}, platform(L"x86", 6, 1)), L"NT.6.0");
    EXPECT_EQ(choose({L"NTamd64"}, platform(L"x86", 5, 1)), L"");
    EXPECT_FALSE(choose({}, platform(L"amd64", 6, 1)));
    EXPECT_FALSE(choose({L"NT", L"NTx86"}, platform(L"amd64", 6, 1)));
    EXPECT_EQ(choose({L"NT.6.1", L"NTamd64.6.0"}, platform(L"amd64", 6, 1)), L"NTamd64.6.0");
}

TEST(dpinst_inf_models, product_types_suites_and_malformed_decorations) {
    inf_platform_c server = platform(L"amd64", 6, 1);
    server.product_type = 3;
    EXPECT_EQ(choose({L"NTamd64.6.1.1", L"NTamd64.6.0"}, server), L"NTamd64.6.0");
    EXPECT_EQ(choose({L"NTamd64.6.1.3", L"NTamd64.6.1"}, server), L"NTamd64.6.1.3");
    EXPECT_FALSE(choose({L"NTamd64.6.1.1.0x10"}, platform(L"amd64", 6, 1)));
    EXPECT_FALSE(choose({L"NTriscv", L"Win95", L"NTamd64.x", L"NTamd64.1.2.3.4.5.6"}, platform(L"amd64", 10, 0)));
}
