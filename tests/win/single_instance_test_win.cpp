// Second starts of the real program against a first instance: here the test process plays the
// first instance (it holds the "Vantorel" mutex and owns a window titled "Vantorel"), and in the
// last test the real program is the first instance.
#include "app/single_instance_win.h"
#include "ui/window_messages.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
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

// Runs the program to its end and gives its exit code.
DWORD run_program(const std::wstring& arguments) {
    started_process_c process;
    if (!start_program(arguments, process)) return 0xDEAD;
    if (!wait_pumping(process.info.hProcess, process_timeout_ms)) {
        TerminateProcess(process.info.hProcess, 0xBAD);
        return 0xBAD;
    }
    DWORD code = 0;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

// A window of "another program" titled exactly like the product; it records what it receives.
class stand_in_window_c {
public:
    stand_in_window_c() {
        WNDCLASSW window_class{};
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"VantorelStandIn";
        RegisterClassW(&window_class);
        window_ = CreateWindowW(L"VantorelStandIn", product_title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~stand_in_window_c() { DestroyWindow(window_); }
    HWND handle() const { return window_; }

    static std::vector<WPARAM> received;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_SHOW_INSTANCE) {
            received.push_back(wparam);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }
    HWND window_;
};

std::vector<WPARAM> stand_in_window_c::received;

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
    void SetUp() override { stand_in_window_c::received.clear(); }

    static HANDLE mutex;
    stand_in_window_c window;
};

HANDLE second_start_test::mutex = nullptr;

}  // namespace

TEST_F(second_start_test, finds_a_window_of_any_program_titled_vantorel) {
    EXPECT_EQ(find_main_window(), window.handle());
}

TEST_F(second_start_test, autorun_in_any_case_asks_for_a_scan_and_exits) {
    EXPECT_EQ(run_program(L"--AutoRun"), DWORD(-1));
    EXPECT_EQ(stand_in_window_c::received, (std::vector<WPARAM>{1}));
}

TEST_F(second_start_test, autorun_with_more_arguments_or_none_only_brings_to_front) {
    EXPECT_EQ(run_program(L"--autorun x"), DWORD(-1));
    EXPECT_EQ(run_program(L""), DWORD(-1));
    EXPECT_EQ(stand_in_window_c::received, (std::vector<WPARAM>{0, 0}));
}

TEST_F(second_start_test, the_first_instance_keeps_its_mutex) {
    EXPECT_EQ(run_program(L"--autorun"), DWORD(-1));
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
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(first.info.hProcess, process_timeout_ms), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(first.info.hProcess, &code);
    EXPECT_EQ(code, 0u);
}
