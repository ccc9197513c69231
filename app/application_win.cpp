#include "app/application_win.h"

#include "system/machine_facts.h"
#include "system/settings_win.h"
#include "system/data_places_win.h"
#include "common/path_join.h"
#include "backup/driver_store_win.h"
#include "ui/kit/shared_fonts_win.h"
#include "i18n/language_table.h"
#include "service/http_transfer.h"
#include "service/catalog_freshness.h"
#include "service/hidden_offers.h"
#include "service/install_reports.h"
#include "service/installed_links.h"
#include "service/trust_policy.h"
#include "common/last_error.h"
#include "system/wmi_facts.h"
#include "devices/system_source.h"
#include "download/download_session.h"
#include "app/single_instance_win.h"
#include "app/system_scan_workers_win.h"
#include "ui/main/main_window_win.h"
#include "ui/dialogs/folder_problem_notice_win.h"
#include "ui/kit/window_keys_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/window_messages.h"

#include <winsock2.h>

#include <chrono>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

namespace {

void show_failure(int code) {
    wchar_t text[128];
    std::swprintf(text, 128, L"Application initialization failed, error code: %d.", code);
    MessageBoxW(nullptr, text, product_title, MB_OK | MB_ICONERROR);
}

// Makes the program's own folder the current directory, so relative names resolve there.
void enter_program_folder() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    wchar_t* last = std::wcsrchr(path, L'\\');
    if (!last) return;
    *last = L'\0';
    SetCurrentDirectoryW(path);
}

}  // namespace

application_c& application() {
    static application_c state;
    return state;
}

bool prepare_scan_objects() {
    application_c& state = application();
    http_global_init();
    state.transfer_library_ready = true;
    try {
        state.update_service = std::make_unique<update_service_c>();
        state.update_service->installed_links_file = installed_links_path(data_places().folder);
        state.update_service->catalog_record_file = catalog_record_path(data_places().folder);
        state.update_service->hidden_offers_file = hidden_offers_path(data_places().folder);
        // Filled only with the user's consent (and emptied when it is taken back).
        state.update_service->report_queue_file = report_queue_path(data_places().folder);
        for (std::string& mirror : unsigned_mirrors(read_trust_policy()))
            state.update_service->unsigned_mirrors.insert(std::move(mirror));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int initialize_application() {
    WSADATA sockets{};
    WSAStartup(MAKEWORD(2, 2), &sockets);
    enter_program_folder();

    // Each step's failure code is its position; the first failing step ends the start-up.
    using step_t = bool (*)();
    const step_t steps[] = {
        [] {
            basic_facts_problem_c problem;
            if (collect_basic_facts(&problem)) return true;
            set_last_error(problem == basic_facts_problem_c::os_version ? failure_code_c::os_version
                                                                      : failure_code_c::power_status);
            return false;
        },
        // Without WMI the sidebar's facts are unknown, which is no reason not to start; the step
        // keeps its place, so the later steps keep their codes.
        [] {
            collect_wmi_facts();
            return true;
        },
        [] { return load_settings(); },
        [] {
            shared_fonts().create();
            if (!load_languages_for(settings().language)) return false;
            apply_reading_direction();
            return true;
        },
        [] { return prepare_scan_objects(); },
    };
    for (int code = 1; code <= int(std::size(steps)); ++code) {
        if (!steps[code - 1]()) {
            show_failure(code);
            return -1;
        }
    }
    // Where the system keeps driver packages; without it nothing can be backed up, which is no
    // reason not to start.
    prepare_driver_store(os_version_number());
    return 0;
}

int run_application(int show_command) {
    application_c& state = application();
    main_window_options_c options;
    options.workers = system_scan_workers(*state.update_service);
    main_window_c window(std::move(options));
    if (!window.create_main_window()) return -1;
    accept_handover_messages(window.handle());
    ShowWindow(window.handle(), show_command);
    // A download or backup folder that cannot be used is said now, not at the first download.
    tell_folder_problems(window.handle());
    window_keys_c keys(window.handle());
    MSG message;
    int result = 0;
    for (;;) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            result = int(message.wParam);
            break;
        }
        if (got == -1) {
            result = -1;
            break;
        }
        if (keys.translate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return result;
}

void release_application() {
    // Running download workers use the transfer library and the sessions: stop them first. A
    // worker still caught in a system call keeps using the library, which then must not be
    // cleaned up under it; the process's end frees it.
    stop_installations(std::chrono::seconds(5));
    bool downloads_ended = stop_downloads(std::chrono::seconds(5));
    application_c& state = application();
    state.update_service.reset();
    if (state.transfer_library_ready && downloads_ended) http_global_cleanup();
    state.transfer_library_ready = false;
    shared_fonts().release();
}
