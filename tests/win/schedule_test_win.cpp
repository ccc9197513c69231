// The weekly scan's task against the system's Task Scheduler, as the current user: the 2.0 task,
// the 1.0 work item where 2.0 is missing, and the settings box over both. Every test works on a
// task and an item of its own name, removed afterwards, so that tests and the real task do not meet.
#include "system/current_user_win.h"
#include "system/scan_task_v1_win.h"
#include "system/scan_task_v2_win.h"
#include "system/scan_task_win.h"
#include "system/scan_task_xml.h"
#include "system/scheduled_scan_box.h"
#include "ui/kit/window_messages.h"

#include "common/com_ptr_win.h"
#include "common/text_convert.h"
#include "common/wine_detection_win.h"

#include <gtest/gtest.h>

#include <taskschd.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring beside_tests(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1) + file;
}

// The file in which the scheduler keeps a task of the top folder (System32\Tasks, which a 32-bit
// process sees through Sysnative), as UTF-8.
std::string task_file_text(const std::wstring& name) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    std::wstring path = std::wstring(windows) + (wow64 ? L"\\Sysnative" : L"\\System32") + L"\\Tasks\\" + name;
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 2 || bytes[0] != '\xff' || bytes[1] != '\xfe') return bytes;
    std::wstring text((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = wchar_t(std::uint8_t(bytes[2 + 2 * i]) | std::uint8_t(bytes[3 + 2 * i]) << 8);
    return wide_to_utf8(text);
}

class scan_task_test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        name = L"VantorelTest-" + std::wstring(test, test + std::char_traits<char>::length(test));
        place = {L"\\" + name, name};
        remove_both();
    }
    void TearDown() override { remove_both(); }

    void remove_both() {
        remove_scan_task_v1(place.item_name);
        com_ptr_c<ITaskService> service;
        com_ptr_c<ITaskFolder> root;
        variant_c local;
        bstr_c top(L"\\"), task(place.task_path.c_str());
        if (SUCCEEDED(CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                       service.put_void())) &&
            SUCCEEDED(service->Connect(local.get(), local.get(), local.get(), local.get())) &&
            SUCCEEDED(service->GetFolder(top.get(), root.put())))
            root->DeleteTask(task.get(), 0);
    }

    std::wstring name;
    scan_task_place_c place;
    const std::wstring program = beside_tests(L"Vantorel.exe");
};

// Saturday 31 December 2033, 23:59.
const local_minute_c last_minute_of_a_year{2033, 12, 31, 23, 59, 6};
const local_minute_c some_wednesday{2030, 6, 5, 8, 30, 3};

}  // namespace

TEST_F(scan_task_test, registers_the_users_weekly_task_and_reads_its_definition_back) {
    ASSERT_TRUE(task_scheduler_2_available());
    ASSERT_TRUE(create_scan_task_v2(place.task_path, program, last_minute_of_a_year));
    auto task = read_scan_task_v2(place.task_path);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->scheduler, 2);
    EXPECT_EQ(task->path, place.task_path);
    EXPECT_EQ(task->comment, scan_task_comment);
    EXPECT_FALSE(task->disallow_start_on_batteries);
    EXPECT_FALSE(task->stop_going_on_batteries);
    EXPECT_EQ(task->execution_time_limit, L"PT0S");
    EXPECT_TRUE(task->start_when_available);
    EXPECT_TRUE(task->enabled);
    // The definition as the scheduler keeps it, in its file.
    std::string stored = task_file_text(name);
    for (const char* element : {"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                                "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
                                "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
                                "<StartWhenAvailable>true</StartWhenAvailable>"})
        EXPECT_NE(stored.find(element), std::string::npos) << element << " in\n" << stored;
    if (running_on_wine()) {
        // Wine 8 keeps the registration info and the settings of a task XML only (docs/wine.md).
        EXPECT_EQ(task->trigger_count, 0) << "Wine keeps triggers now: docs/wine.md needs saying so";
        EXPECT_EQ(stored.find("<UserId>"), std::string::npos);
        return;
    }
    // Windows may keep the account as its security identifier.
    EXPECT_TRUE(task->account == current_user_account() || task->account == current_user_sid()) << task->account;
    EXPECT_EQ(task->logon_type, 3) << "the interactive token";
    EXPECT_EQ(task->application, program);
    EXPECT_EQ(task->parameters, L"--autorun");
    EXPECT_EQ(task->trigger_count, 1);
    const scan_trigger_record_c& trigger = task->first_trigger;
    // The minute after 23:59 on a Saturday at the end of a year: Sunday 00:00 on 1 January.
    EXPECT_TRUE(trigger.weekly);
    EXPECT_EQ(trigger.start_boundary, L"2034-01-01T00:00:00");
    EXPECT_EQ(trigger.weeks_interval, 1);
    EXPECT_EQ(trigger.days_of_week, 1);
    EXPECT_TRUE(trigger.enabled);
}

TEST_F(scan_task_test, a_second_create_is_refused_and_leaves_the_task_as_it_was) {
    ASSERT_TRUE(create_scan_task_v2(place.task_path, program, some_wednesday));
    ASSERT_TRUE(enable_scan_task_v2(false, place.task_path));
    EXPECT_FALSE(create_scan_task_v2(place.task_path, L"C:\\other\\Vantorel.exe", last_minute_of_a_year));
    auto task = read_scan_task_v2(place.task_path);
    ASSERT_TRUE(task);
    EXPECT_FALSE(task->enabled) << "not registered again";
    if (running_on_wine()) return;  // which keeps no program and no trigger
    EXPECT_EQ(task->application, program);
    EXPECT_EQ(task->first_trigger.start_boundary, L"2030-06-05T08:31:00");
    EXPECT_EQ(task->first_trigger.days_of_week, 1 << 3);  // Wednesday
}

TEST_F(scan_task_test, the_settings_box_replaces_an_earlier_work_item_and_switches_the_task) {
    ASSERT_TRUE(create_scan_task_v1(place.item_name, program, some_wednesday));
    auto earlier = read_scan_task(place);
    ASSERT_TRUE(earlier) << "without a task, the earlier work item is read";
    EXPECT_EQ(earlier->scheduler, 1);
    scan_task_calls_win_c calls(nullptr, program, place);
    scheduled_scan_box_c box(0);
    EXPECT_TRUE(box.set_checked(true, calls));
    EXPECT_FALSE(read_scan_task_v1(place.item_name)) << "the earlier work item is gone";
    auto created = read_scan_task(place);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->scheduler, 2);
    EXPECT_TRUE(created->enabled);

    EXPECT_TRUE(box.set_checked(false, calls));
    EXPECT_FALSE(read_scan_task(place)->enabled);

    // Ticking again keeps the task and its schedule and enables it; cancelling the dialog then
    // switches it off again, as the saved setting has it.
    EXPECT_TRUE(box.set_checked(true, calls));
    auto again = read_scan_task(place);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->enabled);
    EXPECT_EQ(again->first_trigger.start_boundary, created->first_trigger.start_boundary);
    box.cancel(calls);
    EXPECT_FALSE(read_scan_task(place)->enabled);
}

TEST_F(scan_task_test, clearing_the_box_removes_an_earlier_work_item_that_was_all_there_was) {
    ASSERT_TRUE(create_scan_task_v1(place.item_name, program, some_wednesday));
    scan_task_calls_win_c calls(nullptr, program, place);
    scheduled_scan_box_c box(1);
    EXPECT_TRUE(box.set_checked(false, calls));
    EXPECT_FALSE(read_scan_task(place));
    EXPECT_FALSE(enable_scan_task(false, place)) << "nothing left to switch off";
}

TEST_F(scan_task_test, the_work_item_where_task_scheduler_2_is_missing) {
    ASSERT_TRUE(create_scan_task_v1(place.item_name, program, last_minute_of_a_year));
    EXPECT_FALSE(create_scan_task_v1(place.item_name, L"C:\\other\\Vantorel.exe", some_wednesday));
    ASSERT_TRUE(enable_scan_task_v1(false, place.item_name));
    auto item = read_scan_task_v1(place.item_name);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->scheduler, 1);
    EXPECT_EQ(item->application, program);
    EXPECT_EQ(item->parameters, L"--autorun");
    EXPECT_EQ(item->comment, scan_task_comment);
    // Wine keeps the account only in the object that set it; the saved item does not give it back.
    EXPECT_EQ(item->account, running_on_wine() ? std::wstring() : current_user_account());
    EXPECT_EQ(item->logon_type, 3) << "only while the user is logged on";
    EXPECT_FALSE(item->disallow_start_on_batteries);
    EXPECT_FALSE(item->stop_going_on_batteries);
    EXPECT_EQ(item->execution_time_limit, L"PT0S");
    EXPECT_EQ(item->trigger_count, 1);
    EXPECT_TRUE(item->first_trigger.weekly);
    EXPECT_EQ(item->first_trigger.start_boundary, L"2034-01-01T00:00:00");
    EXPECT_EQ(item->first_trigger.weeks_interval, 1);
    EXPECT_EQ(item->first_trigger.days_of_week, 1);
    EXPECT_FALSE(item->first_trigger.enabled);
    EXPECT_FALSE(item->enabled);
}

TEST_F(scan_task_test, editing_a_missing_task_or_without_a_console_fails_cleanly) {
    EXPECT_FALSE(edit_scan_task(nullptr, place));
    if (!running_on_wine()) GTEST_SKIP() << "Windows opens the Task Scheduler console or property pages";
    ASSERT_TRUE(create_scan_task(place, program, some_wednesday));
    EXPECT_FALSE(edit_scan_task(nullptr, place)) << "Wine has no Task Scheduler console";
    ASSERT_TRUE(create_scan_task_v1(place.item_name, program, some_wednesday));
    EXPECT_FALSE(edit_scan_task_v1(nullptr, place.item_name)) << "nor property pages";
    EXPECT_TRUE(read_scan_task(place));
}

namespace {

// This process plays the running first instance: it holds the "Vantorel" mutex and owns a window
// of the main window's class that records WM_SHOW_INSTANCE.
class first_instance_c {
public:
    first_instance_c() {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = main_window_class_name;
        // The window tests of this process may have registered the class with the real window's
        // procedure (none of their windows is left): this stand-in needs its own.
        UnregisterClassW(main_window_class_name, GetModuleHandleW(nullptr));
        RegisterClassW(&window_class);
        window_ = CreateWindowW(main_window_class_name, product_title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ~first_instance_c() {
        DestroyWindow(window_);
        UnregisterClassW(main_window_class_name, GetModuleHandleW(nullptr));
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
    }
    first_instance_c(const first_instance_c&) = delete;
    first_instance_c& operator=(const first_instance_c&) = delete;

    bool ready() const { return mutex_ && !mutex_existed_ && window_; }
    static std::vector<WPARAM> received;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_SHOW_INSTANCE) {
            received.push_back(wparam);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
    HANDLE mutex_ = CreateMutexW(nullptr, TRUE, product_title);
    bool mutex_existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
    HWND window_ = nullptr;
};

std::vector<WPARAM> first_instance_c::received;

// Starts a command line and waits for its end while taking this thread's messages; its exit
// code, or 0xBAD when it had to be stopped.
DWORD run_pumping(std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xDEAD;
    CloseHandle(process.hThread);
    // 32-bit programs may run under an emulator here: allow minutes.
    const DWORD timeout_ms = 240000;
    DWORD start = GetTickCount();
    DWORD code = 0xBAD;
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms) {
            TerminateProcess(process.hProcess, 0xBAD);
            break;
        }
        DWORD result = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            GetExitCodeProcess(process.hProcess, &code);
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    CloseHandle(process.hProcess);
    return code;
}

}  // namespace

TEST_F(scan_task_test, the_registered_command_line_asks_a_running_instance_to_scan) {
    first_instance_c running;
    ASSERT_TRUE(running.ready());
    first_instance_c::received.clear();
    auto task = read_scan_task_xml(scan_task_xml(current_user_account(), program, weekly_start_after(some_wednesday)));
    ASSERT_TRUE(task);
    // As the scheduler starts it: the program quoted, then its arguments.
    EXPECT_EQ(run_pumping(L"\"" + task->application + L"\" " + task->parameters), DWORD(-1));
    EXPECT_EQ(first_instance_c::received, (std::vector<WPARAM>{1}));
}
