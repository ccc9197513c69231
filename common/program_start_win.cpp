#include "common/program_start_win.h"

#include <vector>

std::optional<started_program_c> start_program(const std::wstring& program, const std::wstring& parameters,
                                               const std::wstring& working_folder) {
    std::wstring command_line = L"\"" + program + L"\"";
    if (!parameters.empty()) command_line += L" " + parameters;
    std::vector<wchar_t> writable(command_line.begin(), command_line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &started))
        return std::nullopt;
    CloseHandle(started.hThread);
    return started_program_c{kernel_handle_c(started.hProcess), started.dwProcessId};
}

std::optional<std::uint32_t> run_program_to_end(const std::wstring& program, const std::wstring& parameters,
                                                const std::wstring& working_folder) {
    std::optional<started_program_c> started = start_program(program, parameters, working_folder);
    if (!started) return std::nullopt;
    DWORD code = 0;
    if (WaitForSingleObject(started->process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(started->process.get(), &code))
        return std::nullopt;
    return std::uint32_t(code);
}
