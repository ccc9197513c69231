// The weekly scan's work item against the system's Task Scheduler. Every test works on an item
// of its own name, removed afterwards, so that tests and the real item "Vantorel" do not meet.
#include "system/scan_task_win.h"
#include "system/scheduled_scan_box.h"
#include "ui/window_messages.h"

#include "common/com_ptr_win.h"

#include <gtest/gtest.h>

#include <mstask.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring beside_tests(const wchar_t* file) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1) + file;
}

bool running_on_wine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring current_account() {
    wchar_t computer[300] = {};
    wchar_t user[300] = {};
    DWORD computer_length = 300;
    DWORD user_length = 300;
    GetComputerNameW(computer, &computer_length);
    GetUserNameW(user, &user_length);
    return std::wstring(computer) + L"\\" + user;
}

class scan_task_test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        name = L"VantorelTest-" + std::wstring(test, test + std::char_traits<char>::length(test));
        remove_item();
    }
    void TearDown() override { remove_item(); }

    // Wine's scheduler now and then still holds a just-written item open for a moment.
    void remove_item() {
        com_ptr_c<ITaskScheduler> scheduler;
        if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                    scheduler.put_void())))
            return;
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (scheduler->Delete(name.c_str()) != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) return;
            Sleep(50);
        }
    }

    std::wstring name;
    const std::wstring program = beside_tests(L"Vantorel.exe");
};

// Saturday 31 December 2033, 23:59.
const local_minute_c last_minute_of_a_year{2033, 12, 31, 23, 59, 6};

}  // namespace

TEST_F(scan_task_test, creates_the_weekly_item_and_reads_every_field_back) {
    ASSERT_TRUE(create_scan_task(name.c_str(), program, last_minute_of_a_year));
    auto item = read_scan_task(name.c_str());
    ASSERT_TRUE(item);
    EXPECT_EQ(item->application, program);
    EXPECT_EQ(item->parameters, L"--autorun");
    EXPECT_EQ(item->comment, L"Vantorel automatically scan, keep your drivers up to date.");
    EXPECT_EQ(item->flags, 0x20C1u);
    // Wine keeps the account only in the object that set it; the saved item does not give it back.
    EXPECT_EQ(item->account, running_on_wine() ? std::wstring() : current_account());
    EXPECT_EQ(item->trigger_count, 1);
    const scan_trigger_record_c& trigger = item->first_trigger;
    // The minute after 23:59 on a Saturday at the end of a year: Sunday 00:00 on 1 January.
    EXPECT_EQ(trigger.begin_year, 2034);
    EXPECT_EQ(trigger.begin_month, 1);
    EXPECT_EQ(trigger.begin_day, 1);
    EXPECT_EQ(trigger.start_hour, 0);
    EXPECT_EQ(trigger.start_minute, 0);
    EXPECT_EQ(trigger.type, std::uint32_t(TASK_TIME_TRIGGER_WEEKLY));
    EXPECT_EQ(trigger.weeks_interval, 1);
    EXPECT_EQ(trigger.days_of_week, TASK_SUNDAY);
    EXPECT_EQ(trigger.flags, 0u);
}

TEST_F(scan_task_test, a_second_create_is_refused_and_leaves_the_item_as_it_was) {
    ASSERT_TRUE(create_scan_task(name.c_str(), program, {2030, 6, 5, 8, 30, 3}));
    EXPECT_FALSE(create_scan_task(name.c_str(), L"C:\\other\\Vantorel.exe", {2031, 7, 6, 9, 40, 0}));
    auto item = read_scan_task(name.c_str());
    ASSERT_TRUE(item);
    EXPECT_EQ(item->application, program);
    EXPECT_EQ(item->trigger_count, 1);
    EXPECT_EQ(item->first_trigger.begin_year, 2030);
    EXPECT_EQ(item->first_trigger.start_minute, 31);
    EXPECT_EQ(item->first_trigger.days_of_week, TASK_WEDNESDAY);
}

TEST_F(scan_task_test, the_settings_box_enables_disables_and_reuses_the_item) {
    scan_task_calls_win_c calls(nullptr, program, name);
    EXPECT_FALSE(enable_scan_task(true, name.c_str())) << "no item yet";
    scheduled_scan_box_c box(0);
    EXPECT_TRUE(box.set_checked(true, calls));
    auto created = read_scan_task(name.c_str());
    ASSERT_TRUE(created);
    EXPECT_FALSE(created->first_trigger.disabled());

    EXPECT_TRUE(box.set_checked(false, calls));
    auto disabled = read_scan_task(name.c_str());
    ASSERT_TRUE(disabled);
    EXPECT_EQ(disabled->first_trigger.flags, std::uint32_t(TASK_TRIGGER_FLAG_DISABLED));
    EXPECT_EQ(disabled->trigger_count, 1);

    // Ticking again keeps the item and its schedule and enables it; cancelling the dialog then
    // puts the trigger back to the saved setting (off).
    EXPECT_TRUE(box.set_checked(true, calls));
    auto again = read_scan_task(name.c_str());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->first_trigger.flags, 0u);
    EXPECT_EQ(again->first_trigger.start_minute, created->first_trigger.start_minute);
    EXPECT_EQ(again->first_trigger.begin_day, created->first_trigger.begin_day);
    box.cancel(calls);
    EXPECT_TRUE(read_scan_task(name.c_str())->first_trigger.disabled());
}

TEST_F(scan_task_test, editing_a_missing_item_or_without_property_pages_fails_cleanly) {
    EXPECT_FALSE(edit_scan_task(nullptr, name.c_str()));
    if (!running_on_wine()) GTEST_SKIP() << "Windows shows the property pages and waits for a person";
    ASSERT_TRUE(create_scan_task(name.c_str(), program, {2030, 6, 5, 8, 30, 3}));
    EXPECT_FALSE(edit_scan_task(nullptr, name.c_str()));
    EXPECT_TRUE(read_scan_task(name.c_str()));
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

TEST_F(scan_task_test, the_saved_command_line_asks_a_running_instance_to_scan) {
    first_instance_c running;
    ASSERT_TRUE(running.ready());
    first_instance_c::received.clear();
    ASSERT_TRUE(create_scan_task(name.c_str(), program, {2030, 6, 5, 8, 30, 3}));
    auto item = read_scan_task(name.c_str());
    ASSERT_TRUE(item);
    // As the scheduler starts it: the application quoted, then its parameters.
    EXPECT_EQ(run_pumping(L"\"" + item->application + L"\" " + item->parameters), DWORD(-1));
    EXPECT_EQ(first_instance_c::received, (std::vector<WPARAM>{1}));
}
