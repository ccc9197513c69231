#include "dpinst/staged_run_win.h"

#include "common/kernel_handle_win.h"
#include "common/text_convert.h"

#include <windows.h>

#include <vector>

std::optional<staged_run_c> prepare_staged_run(installer_options_c& options, std::wstring& error) {
    std::optional<sha256_digest_c> expected;
    if (!options.stage_sha256.empty()) {
        expected = digest_from_hex(wide_to_utf8(options.stage_sha256));
        if (!expected) {
            error = L"/SHA256 takes 64 hexadecimal digits, not " + options.stage_sha256;
            return std::nullopt;
        }
    }
    std::optional<package_intake_c> intake = take_in_package(options.stage_package, expected, !options.stage_program, error);
    if (!intake) return std::nullopt;
    staged_run_c run{std::move(*intake), {}};
    if (options.stage_program) {
        run.program = run.intake.copy;
        return run;
    }
    const std::wstring& relative = options.stage_run.empty() ? options.search_path : options.stage_run;
    const std::wstring inside = inside_package(run.intake, relative);
    if (inside.empty()) {
        error = relative + L" is no path inside the package";
        return std::nullopt;
    }
    if (options.stage_run.empty())
        options.search_path = inside;
    else
        run.program = inside;
    return run;
}

std::optional<std::uint32_t> run_and_wait(const std::wstring& program) {
    const std::size_t slash = program.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
    std::wstring command_line = L"\"" + program + L"\"";
    std::vector<wchar_t> writable(command_line.begin(), command_line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        return std::nullopt;
    kernel_handle_c process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return std::nullopt;
    return std::uint32_t(code);
}
