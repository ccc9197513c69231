#include "devices/driver_rank.h"

#include <gtest/gtest.h>

// Windows' documented example: a device with hardware IDs HwID_1, HwID_2 and compatible IDs
// CID_1, CID_2 against the model line "DeviceDesc1 = InstallSection1, INF_HwID_1, INF_CID_1,
// INF_CID_2", each device ID standing for the INF ID it equals.
TEST(dpinst_driver_rank, identifier_scores_of_the_documented_example) {
    const std::vector<std::wstring> model = {L"ID_A", L"ID_B", L"ID_C"};
    struct {
        const wchar_t* device_id;
        bool hardware;
        int position;
        std::uint32_t expected;
    } cases[] = {
        {L"ID_A", true, 0, 0x0000}, {L"ID_B", true, 0, 0x1000}, {L"ID_C", true, 0, 0x1000},
        {L"ID_A", true, 1, 0x0001}, {L"ID_B", true, 1, 0x1001}, {L"ID_C", true, 1, 0x1001},
        {L"ID_A", false, 0, 0x2000}, {L"ID_B", false, 0, 0x3000}, {L"ID_C", false, 0, 0x3100},
        {L"ID_A", false, 1, 0x2001}, {L"ID_B", false, 1, 0x3001}, {L"ID_C", false, 1, 0x3101},
    };
    for (const auto& c : cases) {
        device_ids_c device;
        auto& list = c.hardware ? device.hardware_ids : device.compatible_ids;
        for (int i = 0; i < c.position; ++i) list.push_back(L"OTHER\\" + std::to_wstring(i));
        list.push_back(c.device_id);
        auto score = identifier_score(device, model);
        ASSERT_TRUE(score);
        EXPECT_EQ(*score, c.expected) << (c.hardware ? "hardware " : "compatible ") << c.position;
    }
}

TEST(dpinst_driver_rank, best_pair_wins_ids_ignore_case_and_ranks_compose) {
    device_ids_c device{{L"PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043&REV_10", L"PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043"},
                        {L"PCI\\VEN_8086&DEV_15BC&REV_10", L"PCI\\VEN_8086&DEV_15BC"}};
    EXPECT_EQ(identifier_score(device, {L"pci\\ven_8086&dev_15bc"}), 0x2001u);
    EXPECT_EQ(identifier_score(device, {L"PCI\\VEN_8086&DEV_15BC", L"PCI\\VEN_8086&DEV_15BC&SUBSYS_86721043"}), 0x1001u);
    EXPECT_FALSE(identifier_score(device, {L"PCI\\VEN_10EC&DEV_8168"}));
    EXPECT_FALSE(identifier_score(device, {L"", L""}));

    // The simulated PC's installed drivers: signed, no feature score, a compatible ID first.
    EXPECT_EQ(driver_rank(driver_signature_c::trusted, default_feature_score, 0x2000), 16719872u);
    EXPECT_EQ(driver_rank(driver_signature_c::unsigned_nt, 0xE6, 0x0001), 0x80E60001u);
}

TEST(dpinst_driver_rank, best_model_line_by_score_then_order_within_a_section) {
    device_ids_c device{{L"USB\\VID_1&PID_2&REV_3", L"USB\\VID_1&PID_2"}, {L"USB\\Class_03"}};
    std::vector<inf_model_line_c> lines(3);
    lines[0].install_section = L"Generic";
    lines[0].ids = {L"USB\\Class_03"};
    lines[1].install_section = L"Specific";
    lines[1].ids = {L"USB\\VID_1&PID_2"};
    lines[2].install_section = L"Specific";
    lines[2].ids = {L"USB\\VID_1&PID_2"};
    auto best = best_model_match(device, lines);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->line, 1u);
    EXPECT_EQ(best->identifier, 0x0001u);
    EXPECT_EQ(best->matched_id, L"USB\\VID_1&PID_2");
    auto generic = best_model_match(device, lines, L"generic");
    ASSERT_TRUE(generic);
    EXPECT_EQ(generic->line, 0u);
    EXPECT_FALSE(best_model_match(device, lines, L"Missing"));
}
