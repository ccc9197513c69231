#include "system/process_arguments_win.h"

#include <windows.h>
#include <shellapi.h>

std::vector<std::wstring> process_arguments() {
    std::vector<std::wstring> arguments;
    int count = 0;
    LPWSTR* split = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!split) return arguments;
    for (int i = 0; i < count; ++i) arguments.emplace_back(split[i]);
    LocalFree(split);
    return arguments;
}
