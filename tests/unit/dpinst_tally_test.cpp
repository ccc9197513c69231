#include "dpinst/install_tally.h"
#include "dpinst/restore_point.h"
#include "download/installer_outcome.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(dpinst_tally, exit_code_places_each_count_in_its_byte) {
    install_tally_c tally;
    EXPECT_EQ(tally.exit_code(), 0x00000000u);
    tally.add(package_outcome_c::installed);
    EXPECT_EQ(tally.exit_code(), 0x00000001u);
    tally.add(package_outcome_c::staged_only);
    tally.add(package_outcome_c::staged_only);
    tally.add(package_outcome_c::skipped);
    EXPECT_EQ(tally.exit_code(), 0x00000201u);
    tally.restart_needed = true;
    EXPECT_EQ(tally.exit_code(), 0x40000201u);
    tally.add(package_outcome_c::failed);
    EXPECT_EQ(tally.exit_code(), 0xC0010201u);
}

TEST(dpinst_tally, counts_beyond_a_byte_show_as_ff_without_spilling) {
    install_tally_c tally;
    for (int i = 0; i < 300; ++i) tally.add(package_outcome_c::failed);
    for (int i = 0; i < 256; ++i) tally.add(package_outcome_c::installed);
    EXPECT_EQ(tally.failed, 300u);
    EXPECT_EQ(tally.exit_code(), 0x80FF00FFu);
}

// A restore point asked for: begun before anything changes, ended when something was installed,
// cancelled when nothing was (or the run ends early); why none was made marks the exit code, and
// the program reads it back.
TEST(dpinst_restore_point, made_kept_or_cancelled_and_a_missing_one_marks_the_exit_code) {
    struct record_c {
        std::vector<std::wstring> calls;
        std::uint32_t status = 0;
        bool present = true;
    };
    auto calls_for = [](record_c& record) {
        restore_point_calls_c calls;
        calls.begin = [&record](const std::wstring& description, std::int64_t& sequence, std::uint32_t& status) {
            record.calls.push_back(L"begin " + description);
            sequence = 41;
            status = record.status;
            return record.present;
        };
        calls.end = [&record](std::int64_t sequence, bool cancel) {
            record.calls.push_back((cancel ? L"cancel " : L"end ") + std::to_wstring(sequence));
        };
        return calls;
    };
    std::vector<std::wstring> lines;
    auto note = [&lines](const std::wstring& line) { lines.push_back(line); };
    record_c record;
    {
        restore_point_run_c run(L"Vantorel: driver installation", calls_for(record), note);
        run.finish(true);
        run.finish(false);  // once only
        EXPECT_EQ(run.marked(0x00000001), 0x00000001u);
    }
    EXPECT_EQ(record.calls, (std::vector<std::wstring>{L"begin Vantorel: driver installation", L"end 41"}));
    record = {};
    { restore_point_run_c run(L"x", calls_for(record), note); }  // ended early: cancelled
    EXPECT_EQ(record.calls, (std::vector<std::wstring>{L"begin x", L"cancel 41"}));
    record = {};
    { restore_point_run_c run(L"", calls_for(record), note); }  // not asked for
    EXPECT_TRUE(record.calls.empty());

    const struct {
        bool present;
        std::uint32_t status;
        std::uint32_t bits;
        restore_point_note_c note;
    } refusals[] = {{false, 0, 0x10000000, restore_point_note_c::unavailable},    // no System Restore (Wine)
                    {true, 1058, 0x10000000, restore_point_note_c::unavailable},  // System Protection off
                    {true, 1460, 0x20000000, restore_point_note_c::refused}};     // Windows refused
    for (const auto& refusal : refusals) {
        record = {};
        record.present = refusal.present;
        record.status = refusal.status;
        restore_point_run_c run(L"x", calls_for(record), note);
        EXPECT_EQ(record.calls.size(), 1u);  // nothing to end
        const std::uint32_t code = run.marked(0x00000001);
        EXPECT_EQ(code, 0x00000001u | refusal.bits);
        const installer_outcome_c outcome = installer_outcome({code, false});
        EXPECT_EQ(outcome.verdict, install_verdict_c::installed);
        EXPECT_EQ(outcome.restore_point, refusal.note);
        // A set-up program run by the installer keeps its own code beneath the bits.
        EXPECT_EQ(installer_outcome({run.marked(3010), true}).exit_code, 3010u);
    }
    EXPECT_EQ(lines.back(), L"No restore point: Windows refused it (status 0x000005B4)");
}
