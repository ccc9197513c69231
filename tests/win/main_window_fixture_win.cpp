#include "tests/win/main_window_fixture_win.h"
#include "ui/kit/screen_scale_win.h"

#include "ui/kit/window_messages.h"

namespace {

constexpr DWORD hold_limit_ms = 120000;

}  // namespace

scan_workers_c scripted_scan_c::workers() {
    scan_workers_c made;
    made.enumerate = [this](device_store_c&, enumeration_progress_c& progress) {
        ++enumerations;
        include_absent = progress.include_absent;
        progress.total.store(devices.load());
        progress.scanned.store(devices.load() / 2);
        progress.set_current_name(L"Intel(R) 8 Series USB Enhanced Host Controller #1 - 9C26");
        wait_until([&] { return !hold_enumeration.load() || progress.stop.load(); }, hold_limit_ms);
        if (progress.stop.load()) {
            ++stopped_enumerations;
            return failure_code_c::device_walk;
        }
        progress.scanned.store(devices.load());
        return enumeration_fails.load() ? failure_code_c::device_set : failure_code_c::none;
    };
    made.query = [this](device_store_c& store, const machine_description_c&) {
        ++queries;
        wait_until([this] { return !hold_query.load(); }, hold_limit_ms);
        query_outcome_c outcome;
        if (query_error.load() != failure_code_c::none) {
            outcome.http_status = 503;
            outcome.failure = query_error.load();
            return outcome;
        }
        if (fill_results) fill_results(store);
        return outcome;
    };
    made.set_stop = [this](bool stop) {
        if (stop) hold_enumeration = hold_query = false;
    };
    return made;
}

std::vector<tray_recorder_c::call_c>& tray_recorder_c::calls() {
    static std::vector<call_c> recorded;
    return recorded;
}

std::atomic<bool>& tray_recorder_c::failing() {
    static std::atomic<bool> fail{false};
    return fail;
}

BOOL WINAPI tray_recorder_c::notify(DWORD action, PNOTIFYICONDATAW data) {
    calls().push_back(call_c{action, data->uFlags, data->hIcon, (data->uFlags & NIF_INFO) ? data->szInfo : L""});
    return action == NIM_ADD && failing().load() ? FALSE : TRUE;
}

int tray_recorder_c::count(DWORD action, UINT flag) {
    int found = 0;
    for (const call_c& call : calls()) found += call.action == action && (flag == 0 || (call.flags & flag)) ? 1 : 0;
    return found;
}

test_main_window_c::test_main_window_c(std::vector<std::wstring> arguments,
                                       const std::function<void(main_window_options_c&)>& adjust) {
    main_window_options_c options;
    options.arguments = std::move(arguments);
    options.workers = scan.workers();
    options.notify = &tray_recorder_c::notify;
    options.launcher = &launcher;
    options.task_calls = &task_calls;
    if (adjust) adjust(options);
    window_ = std::make_unique<main_window_c>(std::move(options));
    access_ = main_window_test_access_c(window_.get());
}

test_main_window_c::~test_main_window_c() {
    scan.hold_enumeration = scan.hold_query = false;
    destroy();
}

void test_main_window_c::destroy() {
    if (!window_) return;
    if (IsWindow(window_->handle())) DestroyWindow(window_->handle());
    window_.reset();
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

POINT caption_button_point(main_window_c& window, button_c<main_window_c>* button) {
    RECT rect;
    GetWindowRect(window.handle(), &rect);
    // The frame is laid out in design units, at the window's scale on the screen.
    const unsigned dpi = window_dpi(window.handle());
    RECT at = button->placed(to_design(RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top}, dpi));
    int x = to_screen((at.left + at.right) / 2, dpi);
    // A mirrored window's frame counts x from the right.
    if (GetWindowLongW(window.handle(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) x = rect.right - rect.left - 1 - x;
    return POINT{rect.left + x, rect.top + to_screen((at.top + at.bottom) / 2, dpi)};
}
