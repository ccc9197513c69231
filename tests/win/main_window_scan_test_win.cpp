// Start-up's step 5 and the main window's scan, in this process: the step makes the device store
// (with the class image list) and the update service over it; WM_START_SCAN enumerates into that
// store and then asks the update service, here with mirrors that refuse every connection.
#include "app/application_win.h"
#include "app/machine_facts.h"
#include "devices/system_source.h"
#include "service/last_error.h"
#include "ui/main_window_win.h"
#include "ui/window_messages.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// Lets the window's timer run until the scan has ended or the time is up.
void pump_while_scanning(const main_window_c& window, DWORD timeout_ms) {
    DWORD start = GetTickCount();
    while (window.scan_running() && GetTickCount() - start < timeout_ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

}  // namespace

TEST(main_window_scan, step_five_makes_store_and_service_and_the_scan_asks_the_service) {
    ASSERT_TRUE(collect_basic_facts());
    ASSERT_TRUE(prepare_scan_objects());
    application_c& state = application();
    ASSERT_NE(state.device_store, nullptr);
    ASSERT_NE(state.update_service, nullptr);
    EXPECT_EQ(state.update_service->store, state.device_store.get());
    EXPECT_NE(class_image_list(state.device_store->class_images.get()), nullptr);

    const std::string refused = "http://127.0.0.1:1/";
    state.update_service->mirrors = {refused, refused, refused};
    set_last_error(0);
    {
        main_window_c window;
        ASSERT_TRUE(window.create_main_window());
        SendMessageW(window.handle(), WM_START_SCAN, 0, 0);
        EXPECT_TRUE(window.scan_running());
        pump_while_scanning(window, 120000);
        EXPECT_EQ(window.scan_state(), main_window_c::scan_state_c::failed);
        DestroyWindow(window.handle());
    }
    // Closing the main window ends its thread's message loop; this thread's loop goes on.
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    // Only the scan query sets this, and it made the service's transfer.
    EXPECT_EQ(last_error(), error_network_timeout);
    EXPECT_NE(state.update_service->transfer, nullptr);

    release_application();
    EXPECT_EQ(state.update_service, nullptr);
    EXPECT_EQ(state.device_store, nullptr);
}
