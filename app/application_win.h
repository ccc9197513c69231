// Start-up and teardown of the desktop program: the preparation chain with its failure codes,
// the main window and the message loop.
#pragma once

#include "devices/device_store.h"

#include <windows.h>

#include <memory>

// Process-wide objects that live from preparation to teardown.
struct application_c {
    std::unique_ptr<device_store_c> device_store;
    bool transfer_library_ready = false;
};

application_c& application();

// Runs the preparation chain; 0, or -1 after the one failure message has been shown.
int initialize_application();

// Creates the main window, shows it and runs the message loop; the loop's result, or -1 when
// the window cannot be created.
int run_application(int show_command);

// Teardown after the loop: the transfer library, then the device store.
void release_application();
