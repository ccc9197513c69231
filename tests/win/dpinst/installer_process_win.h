// Running the installers beside the test program as separate processes, as the program does, and
// reading what they leave: the exit code, the log, driver keys, published INFs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

struct installer_run_c {
    std::uint32_t exit_code = 0;
    DWORD milliseconds = 0;
    std::string output;  // what it wrote to its standard output
};

// Starts program (a file beside the test program) with the arguments and its standard output on
// a pipe, and waits at most time_limit_ms; nothing when it could not be started or did not end in
// time (it is then ended).
std::optional<installer_run_c> run_installer_program(const wchar_t* program, const std::wstring& arguments,
                                                     DWORD time_limit_ms = 120000);

// A started installer that the test drives through its windows; ended when the object goes.
class running_installer_c {
public:
    running_installer_c(const wchar_t* program, const std::wstring& arguments);
    ~running_installer_c();
    running_installer_c(const running_installer_c&) = delete;
    running_installer_c& operator=(const running_installer_c&) = delete;

    bool started() const { return process_ != nullptr; }
    // The process's visible top-level window of the class, waiting up to the time limit for it.
    HWND wait_for_window(const wchar_t* class_name, DWORD time_limit_ms);
    std::optional<std::uint32_t> wait_for_exit(DWORD time_limit_ms);

private:
    HANDLE process_ = nullptr;
    DWORD process_id_ = 0;
};

std::wstring quoted(const std::filesystem::path& path);

// A text value of the device's driver key; empty when missing.
std::wstring driver_key_value(const std::wstring& instance_id, const wchar_t* name);

std::filesystem::path windows_folder();
std::string file_bytes(const std::filesystem::path& path);
// The tail of %SystemRoot%\DPINST.LOG written since the given size.
std::string log_since(std::uintmax_t size);
std::uintmax_t log_size();
