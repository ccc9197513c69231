#include "tests/win/dpinst/installer_process_win.h"

#include "common/kernel_handle_win.h"
#include "common/registry_key_win.h"
#include "devices/setupapi_handles_win.h"

#include <setupapi.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

std::wstring beside_test_program(const wchar_t* program) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::filesystem::path own(path);
    return (own.parent_path() / program).wstring();
}

bool start(const wchar_t* program, const std::wstring& arguments, PROCESS_INFORMATION& process,
           HANDLE output = nullptr) {
    std::wstring command = L"\"" + beside_test_program(program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    return CreateProcessW(nullptr, command.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr, &startup,
                          &process) != FALSE;
}

struct window_search_c {
    DWORD process_id;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<window_search_c*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    // Visible only once created whole, children included.
    if (owner == search->process_id && wcscmp(name, search->class_name) == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::optional<installer_run_c> run_installer_program(const wchar_t* program, const std::wstring& arguments,
                                                     DWORD time_limit_ms) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherited, 0)) return std::nullopt;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    kernel_handle_c reader(read_end), writer(write_end);
    PROCESS_INFORMATION process{};
    DWORD started = GetTickCount();
    if (!start(program, arguments, process, writer.get())) return std::nullopt;
    CloseHandle(process.hThread);
    kernel_handle_c child(process.hProcess);
    writer.reset();
    // The output is read on a thread of its own, so the wait keeps its time limit.
    auto output = std::make_shared<std::string>();
    auto shared_reader = std::make_shared<kernel_handle_c>(std::move(reader));
    std::thread drain([output, shared_reader] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(shared_reader->get(), buffer, sizeof buffer, &read, nullptr) && read > 0) output->append(buffer, read);
    });
    std::optional<installer_run_c> run;
    if (WaitForSingleObject(child.get(), time_limit_ms) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(child.get(), &code);
        run = installer_run_c{code, GetTickCount() - started, std::string()};
    } else {
        TerminateProcess(child.get(), 1);
    }
    drain.join();
    if (run) run->output = *output;
    return run;
}

running_installer_c::running_installer_c(const wchar_t* program, const std::wstring& arguments) {
    PROCESS_INFORMATION process{};
    if (!start(program, arguments, process)) return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    process_id_ = process.dwProcessId;
}

running_installer_c::~running_installer_c() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
}

HWND running_installer_c::wait_for_window(const wchar_t* class_name, DWORD time_limit_ms) {
    DWORD start_time = GetTickCount();
    do {
        window_search_c search{process_id_, class_name, nullptr};
        EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    } while (GetTickCount() - start_time < time_limit_ms);
    return nullptr;
}

std::optional<std::uint32_t> running_installer_c::wait_for_exit(DWORD time_limit_ms) {
    if (!process_ || WaitForSingleObject(process_, time_limit_ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::wstring quoted(const std::filesystem::path& path) { return L"\"" + path.wstring() + L"\""; }

std::wstring driver_key_value(const std::wstring& instance_id, const wchar_t* name) {
    device_info_set_c set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (!set || !SetupDiOpenDeviceInfoW(set.get(), instance_id.c_str(), nullptr, 0, &device)) return std::wstring();
    HKEY raw = SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (raw == INVALID_HANDLE_VALUE) return std::wstring();
    return registry_key_c(raw).read_text(name).value_or(std::wstring());
}

std::filesystem::path windows_folder() {
    wchar_t folder[MAX_PATH] = {};
    GetWindowsDirectoryW(folder, MAX_PATH);
    return folder;
}

std::string file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uintmax_t log_size() {
    std::error_code ignored;
    auto size = std::filesystem::file_size(windows_folder() / "DPINST.LOG", ignored);
    return ignored ? 0 : size;
}

std::string log_since(std::uintmax_t size) {
    std::string all = file_bytes(windows_folder() / "DPINST.LOG");
    return size < all.size() ? all.substr(std::size_t(size)) : std::string();
}
