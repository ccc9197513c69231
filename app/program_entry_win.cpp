// Vantorel.exe: the desktop program's entry.
#include "app/application_win.h"
#include "app/single_instance_win.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show_command) {
    if (check_running_instance() == -1) return -1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (initialize_application() == -1) return -1;
    int result = run_application(show_command);
    release_application();
    CoUninitialize();
    return result;
}
