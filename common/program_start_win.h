// Starting a program as a process of its own, by its path (never searched for), with a parameter
// text and a working folder (empty: this process's).
#pragma once

#include "common/kernel_handle_win.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

struct started_program_c {
    kernel_handle_c process;
    DWORD id = 0;
};

std::optional<started_program_c> start_program(const std::wstring& program, const std::wstring& parameters,
                                               const std::wstring& working_folder = {});

// Started and waited for: its exit code; none when it could not start.
std::optional<std::uint32_t> run_program_to_end(const std::wstring& program, const std::wstring& parameters,
                                                const std::wstring& working_folder = {});
