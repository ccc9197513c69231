#include "system/scan_task_xml.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Saturday 31 December 2033, 23:59: the first run is Sunday 1 January 2034, 00:00.
const weekly_start_c new_year = weekly_start_after({2033, 12, 31, 23, 59, 6});

bool has(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }

// As Windows gives a task back: its own declaration, the account as a security identifier, and
// the elements that hold their defaults left out.
const wchar_t* const stored_by_windows =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    L"  <RegistrationInfo><Description>Weekly</Description></RegistrationInfo>\r\n"
    L"  <Triggers><CalendarTrigger><StartBoundary>2030-06-05T08:31:00</StartBoundary>\r\n"
    L"    <ScheduleByWeek><DaysOfWeek><Monday /><Friday /></DaysOfWeek><WeeksInterval>2</WeeksInterval></ScheduleByWeek>\r\n"
    L"  </CalendarTrigger><TimeTrigger><StartBoundary>2031-01-01T00:00:00</StartBoundary></TimeTrigger></Triggers>\r\n"
    L"  <Principals><Principal id=\"Author\"><UserId>S-1-5-21-1-2-3-1001</UserId><LogonType>InteractiveToken</LogonType></Principal></Principals>\r\n"
    L"  <Settings><StartWhenAvailable>true</StartWhenAvailable></Settings>\r\n"
    L"  <Actions Context=\"Author\"><Exec><Command>C:\\Vantorel\\Vantorel.exe</Command></Exec></Actions>\r\n"
    L"</Task>\r\n";

}  // namespace

TEST(scan_task_xml, the_definition_reads_back_whole) {
    std::wstring xml = scan_task_xml(L"PC\\Zo\u00eb", L"C:\\A&B\\Vantorel.exe", new_year);
    auto task = read_scan_task_xml(xml);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->scheduler, 2);
    EXPECT_EQ(task->application, L"C:\\A&B\\Vantorel.exe");
    EXPECT_EQ(task->parameters, L"--autorun");
    EXPECT_EQ(task->comment, L"Vantorel automatically scan, keep your drivers up to date.");
    EXPECT_EQ(task->account, L"PC\\Zo\u00eb");
    EXPECT_EQ(task->logon_type, 3);
    EXPECT_FALSE(task->disallow_start_on_batteries);
    EXPECT_FALSE(task->stop_going_on_batteries);
    EXPECT_EQ(task->execution_time_limit, L"PT0S");
    EXPECT_TRUE(task->start_when_available);
    EXPECT_TRUE(task->enabled);
    EXPECT_EQ(task->trigger_count, 1);
    EXPECT_TRUE(task->first_trigger.weekly);
    EXPECT_EQ(task->first_trigger.start_boundary, L"2034-01-01T00:00:00");
    EXPECT_EQ(task->first_trigger.weeks_interval, 1);
    EXPECT_EQ(task->first_trigger.days_of_week, 1);
    EXPECT_TRUE(task->first_trigger.enabled);
    // What the scheduler validates against its schema, spelled as it wants it.
    EXPECT_TRUE(has(xml, L"<?xml version=\"1.0\" encoding=\"UTF-16\""));
    EXPECT_TRUE(has(xml, L"<Command>C:\\A&amp;B\\Vantorel.exe</Command>"));
    EXPECT_TRUE(has(xml, L"<Sunday />"));
    EXPECT_TRUE(has(xml, L"<RunLevel>LeastPrivilege</RunLevel>"));
    EXPECT_TRUE(has(xml, L"<Actions Context=\"Author\">"));
}

TEST(scan_task_xml, elements_left_out_take_the_schema_defaults) {
    auto task = read_scan_task_xml(stored_by_windows);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->account, L"S-1-5-21-1-2-3-1001");
    EXPECT_EQ(task->parameters, L"");
    EXPECT_TRUE(task->disallow_start_on_batteries);
    EXPECT_TRUE(task->stop_going_on_batteries);
    EXPECT_EQ(task->execution_time_limit, L"PT72H");
    EXPECT_TRUE(task->enabled);
    EXPECT_EQ(task->trigger_count, 2);
    EXPECT_TRUE(task->first_trigger.enabled);
    EXPECT_EQ(task->first_trigger.weeks_interval, 2);
    EXPECT_EQ(task->first_trigger.days_of_week, (1 << 1) | (1 << 5));
    EXPECT_FALSE(read_scan_task_xml(L"<Job/>"));
    EXPECT_FALSE(read_scan_task_xml(L"<Task>"));
}

TEST(scan_task_xml, switching_the_task_keeps_everything_else) {
    auto off = scan_task_xml_enabled(stored_by_windows, false);
    ASSERT_TRUE(off);
    auto task = read_scan_task_xml(*off);
    ASSERT_TRUE(task);
    EXPECT_FALSE(task->enabled);
    EXPECT_TRUE(task->first_trigger.enabled);
    EXPECT_EQ(task->first_trigger.days_of_week, (1 << 1) | (1 << 5));
    EXPECT_EQ(task->application, L"C:\\Vantorel\\Vantorel.exe");
    EXPECT_TRUE(task->start_when_available);
    EXPECT_TRUE(read_scan_task_xml(*scan_task_xml_enabled(*off, true))->enabled);
    EXPECT_FALSE(scan_task_xml_enabled(L"not a task", true));
}
