// Second starts of the real program against a first instance: here the test process plays the
// first instance (it holds the "Vantorel" mutex and owns a window like the program's), and in the
// last test the real program is the first instance.
#include "app/single_instance_win.h"
#include "ui/main/main_menu_win.h"
#include "ui/kit/window_messages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// 32-bit programs may run under an emulator here: allow minutes, not seconds.
constexpr DWORD process_timeout_ms = 240000;

std::wstring program_path() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\') + 1) + L"Vantorel.exe";
}

// Pumps this thread's messages while waiting, so that cross-process sends to our window arrive.
bool wait_pumping(HANDLE object, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout_ms) return false;
        DWORD result = MsgWaitForMultipleObjects(1, &object, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

struct started_process_c {
    PROCESS_INFORMATION info{};
    bool started = false;
    ~started_process_c() {
        if (!started) return;
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

bool start_program(const std::wstring& arguments, started_process_c& process) {
    std::wstring command = L"\"" + program_path() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    process.started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &process.info) != FALSE;
    return process.started;
}

// Runs the program to its end and gives its exit code (0xBAD when it had to be stopped).
DWORD run_program(const std::wstring& arguments, DWORD timeout_ms = process_timeout_ms) {
    started_process_c process;
    if (!start_program(arguments, process)) return 0xDEAD;
    if (!wait_pumping(process.info.hProcess, timeout_ms)) {
        TerminateProcess(process.info.hProcess, 0xBAD);
        return 0xBAD;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

// A top-level window titled exactly like the product, of the given window class; it records the
// WM_SHOW_INSTANCE messages it receives. A new one goes to the top of the z-order, where a second
// start's search meets it first.
class titled_window_c {
public:
    explicit titled_window_c(const wchar_t* class_name) : class_name_(class_name) {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = class_name;
        RegisterClassW(&window_class);  // fails harmlessly when another of these registered it
        window_ = CreateWindowW(class_name, product_title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), this);
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    ~titled_window_c() {
        DestroyWindow(window_);
        UnregisterClassW(class_name_, GetModuleHandleW(nullptr));  // the last window's owner succeeds
    }
    titled_window_c(const titled_window_c&) = delete;
    titled_window_c& operator=(const titled_window_c&) = delete;

    HWND handle() const { return window_; }
    std::vector<WPARAM> received;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        auto self = reinterpret_cast<titled_window_c*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_SHOW_INSTANCE && self) {
            self->received.push_back(wparam);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
    const wchar_t* class_name_;
    HWND window_;
};

// A first instance that no longer takes messages: its window lives on a thread that waits
// without pumping until the test lets it go.
class hung_instance_c {
public:
    hung_instance_c() {
        HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this, ready] {
            titled_window_c window(main_window_class_name);
            SetEvent(ready);
            WaitForSingleObject(release_, INFINITE);
            received_count_ = window.received.size();
        });
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(ready);
    }
    ~hung_instance_c() {
        let_go();
        CloseHandle(release_);
    }
    hung_instance_c(const hung_instance_c&) = delete;
    hung_instance_c& operator=(const hung_instance_c&) = delete;

    // Ends the hang and the window; gives how many hand-overs the window took meanwhile.
    std::size_t let_go() {
        if (thread_.joinable()) {
            SetEvent(release_);
            thread_.join();
        }
        return received_count_;
    }

private:
    HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
    std::size_t received_count_ = 0;
};

// The test process plays the first instance: it holds the mutex and owns a window of the main
// window's class. Above it lies another program's window with the same title, as an Explorer
// window showing a folder named "Vantorel" would.
class second_start_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        mutex = CreateMutexW(nullptr, TRUE, product_title);
        ASSERT_NE(mutex, nullptr);
        ASSERT_NE(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
    }
    static void TearDownTestSuite() {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }

    static HANDLE mutex;
    titled_window_c program{main_window_class_name};
    titled_window_c explorer{L"CabinetWClass"};
};

HANDLE second_start_test::mutex = nullptr;

}  // namespace

TEST_F(second_start_test, finds_the_program_window_not_another_titled_alike) {
    EXPECT_EQ(find_main_window(), program.handle());
}

TEST_F(second_start_test, autorun_in_any_case_asks_for_a_scan_and_exits) {
    EXPECT_EQ(run_program(L"--AutoRun"), DWORD(-1));
    EXPECT_EQ(program.received, (std::vector<WPARAM>{1}));
    EXPECT_TRUE(explorer.received.empty());
}

TEST_F(second_start_test, autorun_with_more_arguments_or_none_only_brings_to_front) {
    EXPECT_EQ(run_program(L"--autorun x"), DWORD(-1));
    EXPECT_EQ(run_program(L""), DWORD(-1));
    EXPECT_EQ(program.received, (std::vector<WPARAM>{0, 0}));
    EXPECT_TRUE(explorer.received.empty());
}

TEST_F(second_start_test, a_hung_first_instance_neither_holds_up_a_second_start_nor_loses_its_mutex) {
    hung_instance_c hung;  // on top: the second start meets it first
    // Blocked for good, the start would be stopped after two minutes with 0xBAD; the hand-over
    // gives up after a few seconds.
    EXPECT_EQ(run_program(L"--autorun", 120000), DWORD(-1));
    EXPECT_EQ(hung.let_go(), 0u);
    EXPECT_TRUE(program.received.empty()) << "the hand-over went to the wrong window";
    // Still ours: a wait on an owned mutex returns at once.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
}

TEST(first_instance, the_real_program_runs_one_instance_and_closes_cleanly) {
    started_process_c first;
    ASSERT_TRUE(start_program(L"", first));
    HWND window = nullptr;
    for (DWORD waited = 0; waited < process_timeout_ms && !window; waited += 250) {
        Sleep(250);
        HWND found = find_main_window();
        DWORD owner = 0;
        if (found) GetWindowThreadProcessId(found, &owner);
        if (owner == first.info.dwProcessId) window = found;
    }
    ASSERT_NE(window, nullptr) << "the first instance never showed its window";
    EXPECT_EQ(run_program(L"--autorun"), DWORD(-1));
    EXPECT_TRUE(IsWindow(window));
    // Closing the window may only hide it to the tray: end it through its menu's Exit.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(command_exit, 0), 0);
    ASSERT_EQ(WaitForSingleObject(first.info.hProcess, process_timeout_ms), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(first.info.hProcess, &code);
    EXPECT_EQ(code, 0u);
}
