// The test program draws its windows as the program does: aware of each monitor's scale (the
// program's manifest says so; the tests have none), set before any window is made. At 96 DPI
// nothing changes; a prefix at 150 or 200 % shows the windows as such a screen would.
#include <windows.h>

namespace {

const bool aware = [] {
    using set_context_c = BOOL(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    auto set_context = user32 ? reinterpret_cast<set_context_c>(
                                    reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")))
                              : nullptr;
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
    if (set_context && set_context(reinterpret_cast<HANDLE>(LONG_PTR(-4)))) return true;
    return SetProcessDPIAware() != FALSE;
}();

}  // namespace
