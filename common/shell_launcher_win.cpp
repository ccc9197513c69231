#include "common/shell_launcher.h"

#include "common/kernel_handle_win.h"

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <atomic>

namespace {

// The shell may use COM for what it starts: every thread that starts something has it, in a
// single-threaded apartment, until the thread ends. A thread already in an apartment keeps its own.
class thread_com_c {
public:
    thread_com_c() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~thread_com_c() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    thread_com_c(const thread_com_c&) = delete;
    thread_com_c& operator=(const thread_com_c&) = delete;

private:
    HRESULT result_;
};

void ensure_thread_com() { thread_local thread_com_c com; }

std::atomic<HWND> consent_owner{nullptr};

// ShellExecuteW reports success as a value above 32.
bool executed(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; }

// The limited half of an administrator's split token (UAC): only then is consent asked for. Before
// Vista the query fails, and "runas" would open the old "Run as" dialog instead.
bool runs_limited() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size) != 0;
    CloseHandle(token);
    return known && type == TokenElevationTypeLimited;
}

class system_shell_launcher_c final : public shell_launcher_c {
public:
    bool open(const std::wstring& target) override {
        ensure_thread_com();
        return executed(ShellExecuteW(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOW));
    }
    bool run(const std::wstring& program, const std::wstring& parameters) override {
        ensure_thread_com();
        return executed(ShellExecuteW(nullptr, nullptr, program.c_str(), parameters.c_str(), nullptr, SW_SHOW));
    }
    launch_result_c run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring& working_folder) override {
        return start_elevated(program, parameters, working_folder, nullptr);
    }

    launch_result_c run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                              const std::wstring& working_folder,
                                              std::optional<std::uint32_t>& exit_code) override {
        exit_code.reset();
        HANDLE process = nullptr;
        const launch_result_c result = start_elevated(program, parameters, working_folder, &process);
        if (!process) return result;
        const kernel_handle_c held(process);
        DWORD code = 0;
        if (WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code)) exit_code = code;
        return result;
    }

private:
    // `process`, when given, receives the started program's handle (none when Windows gives none,
    // as for a program it hands to a running one).
    static launch_result_c start_elevated(const std::wstring& program, const std::wstring& parameters,
                                          const std::wstring& working_folder, HANDLE* process) {
        ensure_thread_com();
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOASYNC | (process ? SEE_MASK_NOCLOSEPROCESS : 0);
        HWND owner = consent_owner.load(std::memory_order_relaxed);
        info.hwnd = owner && IsWindow(owner) ? owner : nullptr;
        info.lpVerb = runs_limited() ? L"runas" : nullptr;
        info.lpFile = program.c_str();
        info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
        info.lpDirectory = working_folder.empty() ? nullptr : working_folder.c_str();
        info.nShow = SW_SHOW;
        if (ShellExecuteExW(&info)) {
            if (process) *process = info.hProcess;
            return launch_result_c::started;
        }
        return GetLastError() == ERROR_CANCELLED ? launch_result_c::cancelled : launch_result_c::failed;
    }
};

}  // namespace

void set_consent_owner(void* window) { consent_owner.store(static_cast<HWND>(window), std::memory_order_relaxed); }

shell_launcher_c& system_shell_launcher() {
    static system_shell_launcher_c launcher;
    return launcher;
}
