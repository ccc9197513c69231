// DPInst32.exe and DPInst64.exe: the driver package installer (see installer_options.h for its
// command line and install_tally.h for its exit code).
#include "dpinst/install_tally.h"
#include "dpinst/installer_run_win.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::uint32_t code = not_started_exit_code;
    try {
        int count = 0;
        LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
        std::vector<std::wstring> arguments;
        for (int i = 1; split && i < count; ++i) arguments.emplace_back(split[i]);
        LocalFree(split);
        code = run_installer(arguments);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "DPInst: %s\n", failure.what());
    } catch (...) {
        std::fprintf(stderr, "DPInst: unexpected failure\n");
    }
    // A device installation that passed its time limit may still run: end the process with it.
    ExitProcess(UINT(code));
}
