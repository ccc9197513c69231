// Start-up and teardown of the desktop program: the preparation chain with its failure codes,
// the main window and the message loop.
#pragma once

#include "service/update_service.h"

#include <windows.h>

#include <memory>

// Process-wide objects that live from preparation to teardown.
struct application_c {
    std::unique_ptr<update_service_c> update_service;  // every scan's query goes through it
    bool transfer_library_ready = false;
};

application_c& application();

// Runs the preparation chain; 0, or -1 after the one failure message has been shown.
int initialize_application();

// The preparation step with failure code 5: the transfer library's global set-up and the update
// service. False when the service cannot be made.
bool prepare_scan_objects();

// Creates the main window, shows it and runs the message loop; the loop's result, or -1 when
// the window cannot be created.
int run_application(int show_command);

// Teardown after the loop: running downloads stopped (5 s at most, their partial files kept),
// the update service (whose transfer must go before the library's global clean-up), then the
// transfer library.
void release_application();
