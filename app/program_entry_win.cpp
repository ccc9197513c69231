// Vantorel.exe: the desktop program's entry.
#include "app/application_win.h"
#include "app/single_instance_win.h"
#include "ui/kit/common_controls_win.h"
#include "ui/kit/gdiplus_session_win.h"
#include "ui/kit/skin_images_win.h"

#include <windows.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int show_command) {
    if (check_running_instance() == -1) return -1;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    initialize_common_controls();
    if (initialize_application() == -1) return -1;
    int result = 0;
    {
        gdiplus_session_c gdiplus;  // the pie chart draws with GDI+
        result = run_application(show_command);
        release_skin_images();  // the window framework's part of the teardown comes first
    }
    release_application();
    CoUninitialize();
    return result;
}
