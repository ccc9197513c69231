#include "ui/pages/scan_window_win.h"

#include "system/settings_win.h"
#include "common/text_convert.h"
#include "i18n/language_table.h"
#include "ui/kit/accessible_object_win.h"
#include "ui/kit/gdi_objects_win.h"
#include "ui/kit/screen_scale_win.h"
#include "ui/kit/language_format.h"
#include "ui/dialogs/message_window_win.h"
#include "ui/kit/page_sidebar_win.h"
#include "ui/kit/page_sidebar_text_win.h"
#include "ui/kit/progress_bar_paint_win.h"
#include "ui/kit/skin_ids.h"
#include "ui/kit/skin_images_win.h"
#include "ui/kit/text_drawing_win.h"
#include "ui/kit/ui_fonts_win.h"
#include "ui/kit/window_messages.h"
#include "ui/kit/reading_direction_win.h"

#include <oleacc.h>

#include <chrono>
#include <ctime>
#include <cwchar>
#include <string>

namespace {

constexpr const wchar_t* scan_class = L"VantorelScanPage";
constexpr COLORREF frame_colour = RGB(195, 218, 245);
constexpr COLORREF band_colour = RGB(244, 246, 251);
constexpr int top_left_picture = skin::scan_picture, top_right_picture = skin::devices_picture,
              bar_pattern = skin::scan_progress;

std::int64_t now_seconds() { return std::int64_t(std::time(nullptr)); }

std::wstring local_clock_text(std::int64_t seconds) {
    std::time_t at = std::time_t(seconds);
    const std::tm* local = std::localtime(&at);
    wchar_t text[16] = L"";
    if (local) std::wcsftime(text, 16, L"%H:%M:%S", local);
    return text;
}

HFONT status_font() { return verdana(9, font_weight_c::bold); }

// How long the page waits for a worker asked to stop: the walk ends before its next device, the
// query before its next mirror (its transfer is cut).
constexpr std::chrono::minutes stop_wait_limit{2};

}  // namespace

scan_window_c::scan_window_c(scan_workers_c workers) : workers_(std::move(workers)) {}

scan_window_c::~scan_window_c() { stop_workers(); }

bool scan_window_c::create_page(HWND parent, const RECT& area) {
    register_class(scan_class, GetModuleHandleW(nullptr));
    return create(scan_class, language_text("scan_scanning").c_str(), WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, area.left, area.top,
                  area.right - area.left, area.bottom - area.top, parent) != nullptr;
}

bool scan_window_c::on_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    result = 0;
    switch (message) {
        case WM_CREATE: on_size(); return true;
        case WM_SIZE: on_size(); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_PAINT: on_paint(); return true;
        case WM_TIMER:
            if (wparam != timer_id) return false;
            on_tick();
            return true;
        case WM_DESTROY: stop_workers(); return true;
        case WM_GETOBJECT: result = on_get_object(wparam, lparam); return result != 0;
        default: return false;
    }
}

void scan_window_c::begin(std::int64_t start_time, bool unattended) {
    step_ = 0;
    unattended_ = unattended;
    failure_text_.clear();
    start_time_ = start_time;
    timer_running_ = SetTimer(handle(), timer_id, timer_period_ms, nullptr) != 0;
}

void scan_window_c::end_timer() {
    if (handle()) KillTimer(handle(), timer_id);
    timer_running_ = false;
}

void scan_window_c::stop_workers() {
    end_timer();
    // Both halves are asked to end soon: the walk before its next device, the query before its
    // next mirror.
    progress_.stop.store(true);
    if (!worker_.running()) return;
    worker_.request_stop();
    if (step_ == 2 && workers_.set_stop) workers_.set_stop(true);
    worker_.wait_for(stop_wait_limit);
}

void scan_window_c::on_tick() {
    // A box shown from a tick runs its own message loop, where this timer may fire again.
    if (in_tick_ || !timer_running_) return;
    in_tick_ = true;
    switch (step_) {
        case 0: start_enumeration(); break;
        case 1:
            if (worker_.finished()) on_enumeration_ended();
            break;
        case 2:
            if (worker_.finished()) on_query_ended();
            break;
        default: break;
    }
    in_tick_ = false;
    if (IsWindowVisible(handle())) RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void scan_window_c::start_enumeration() {
    step_ = 1;
    progress_.include_absent = settings().scan_offline ? 1 : 0;
    progress_.stop.store(false);
    progress_.total.store(0);
    progress_.scanned.store(0);
    progress_.set_current_name(L"");
    outcome_ = query_outcome_c{};
    store_ = std::make_shared<device_store_c>();
    store_->class_images = workers_.class_images;
    // The page outlives the worker: stop_workers waits for it before the page goes.
    bool started = worker_.start([this, store = store_](const std::atomic<bool>&) {
        outcome_.failure = workers_.enumerate ? workers_.enumerate(*store, progress_) : failure_code_c::device_set;
        return std::int32_t(0);
    });
    if (!started) on_worker_refused(failure_code_c::no_thread);
}

void scan_window_c::on_enumeration_ended() {
    step_ = 2;
    if (!outcome_.succeeded()) {
        abort_scan(L"Scan Devices Error");
        return;
    }
    start_query();
}

void scan_window_c::abort_scan(const wchar_t* text) {
    // The scan is over before the box: no tick may poll a worker that is not there.
    end_timer();
    if (unattended_)
        failure_text_ = text;
    else
        message_window_c(text, message_kind_c::error).run(GetParent(handle()));
    PostMessageW(GetParent(handle()), WM_SCAN_ABORTED, 0, 0);
}

void scan_window_c::start_query() {
    machine_ = workers_.describe ? workers_.describe() : describe_this_machine();
    if (workers_.set_stop) workers_.set_stop(false);
    bool started = worker_.start([this, store = store_](const std::atomic<bool>&) {
        if (workers_.query)
            outcome_ = workers_.query(*store, machine_);
        else
            outcome_.failure = failure_code_c::network;
        return std::int32_t(0);
    });
    if (!started) on_worker_refused(failure_code_c::no_thread);
}

void scan_window_c::on_worker_refused(failure_code_c failure) {
    outcome_ = query_outcome_c{};
    outcome_.failure = failure;
    if (step_ == 1) {
        abort_scan(L"Scan Devices Error");
        return;
    }
    on_query_ended();
}

void scan_window_c::on_query_ended() {
    end_timer();
    auto result = std::make_shared<scan_result_c>();
    result->devices = store_;
    result->device_total = progress_.total.load();
    result->outcome = outcome_;
    result_ = std::move(result);
    store_.reset();
    HWND main = GetParent(handle());
    if (result_->succeeded()) {
        if (!unattended_) tell_withdrawn_drivers(*result_->devices);
        PostMessageW(main, WM_SCAN_DONE, 0, 0);
        return;
    }
    PostMessageW(main, report_query_error(result_->outcome) == message_answer_c::decline ? WM_SCAN_ABORTED : WM_START_SCAN, 0, 0);
}

void scan_window_c::tell_withdrawn_drivers(const device_store_c& store) {
    const std::wstring text = withdrawn_drivers_text(store);
    if (!text.empty()) message_window_c(text, message_kind_c::warning).run(GetParent(handle()));
}

message_answer_c scan_window_c::report_query_error(const query_outcome_c& outcome) {
    auto text = scan_error_text(outcome.failure, outcome.http_status, ansi_to_wide(outcome.failure_text));
    if (!text) return message_answer_c::decline;
    if (unattended_) {
        failure_text_ = *text;
        return message_answer_c::decline;
    }
    return message_window_c(*text, message_kind_c::retry).run(GetParent(handle()));
}

void scan_window_c::on_size() {
    const RECT client = design_client_rect(handle());
    window_dc_c screen(handle());
    SIZE size = text_size(screen.get(), language_text("scan_status2"), status_font());
    box_ = scan_status_box(client.right, client.bottom, size.cx, size.cy);
}

void scan_window_c::on_paint() {
    paint_dc_c paint(handle());
    design_surface_c surface(handle(), paint.get());
    const RECT client = surface.client();
    HDC dc = surface.dc();
    int width = client.right, height = client.bottom;

    paint_page_frame(dc, client);
    draw_skin_image(dc, top_left_picture, 15, 15);
    draw_skin_image(dc, top_right_picture, width - 160 - 260, 15);
    draw_text_at(dc, language_text("scan_scanning"), 80, 28, verdana(22), page_title_colour);
    frame_solid(dc, RECT{10, 85, width - 260, height - 60}, frame_colour);
    draw_text_at(dc, language_text("scan_scanning_your_computer"), box_.left, box_.top - 60, verdana(18),
                 page_title_colour);
    paint_status_rows(dc, client);
    if (step_ == 2) paint_waiting_box(dc, client);
    paint_progress_bar(dc, client);
    paint_sidebar(dc, client, is_current_language("fr") ? 72 : 55);
    surface.copy_to(paint.get());
}

std::vector<std::wstring> scan_window_c::status_rows() {
    std::int64_t now = now_seconds();
    return {language_text("scan_start_time") + local_clock_text(start_time_),
            language_text("scan_time_elapsed") + elapsed_text(now - start_time_),
            language_text("scan_status") +
                (step_ == 2 ? language_text("scan_status2") + waiting_dots(now) : language_text("scan_status1")),
            language_text("scan_items_scanned") + std::to_wstring(progress_.scanned.load()),
            language_text("scan_item") + embedded_value(progress_.current_name())};
}

void scan_window_c::paint_status_rows(HDC dc, const RECT&) {
    std::vector<std::wstring> rows = status_rows();

    selection_c font(dc, status_font());
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, RGB(0, 0, 0));
    int top = box_.top;
    for (int i = 0; i < 5; ++i) {
        if (i > 0) top += 10;
        RECT row = {box_.left, top, box_.right, top + box_.line_height};
        if (i % 2 == 0) fill_solid(dc, RECT{row.left - 15, row.top - 5, row.right + 15, row.bottom + 5}, band_colour);
        DrawTextW(dc, rows[i].c_str(), int(rows[i].size()), &row,
                  reading_format(rows[i], DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX | DT_END_ELLIPSIS));
        top = row.bottom;
    }
    rows_bottom_ = top;
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}

void scan_window_c::paint_waiting_box(HDC dc, const RECT& client) {
    int a = rows_bottom_ + 10;
    int top = a + (client.bottom - a - 60) / 2 - 20;
    int middle = (client.right - sidebar_width) / 2;
    RECT box = {middle - 100, top, middle + 100, top + 40};
    fill_solid(dc, box, band_colour);
    RECT text = box;
    text.left += 45;
    draw_text(dc, language_text("scan_waiting") + waiting_dots(now_seconds()), text, verdana(12, font_weight_c::bold),
              RGB(255, 0, 0), DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

void scan_window_c::paint_progress_bar(HDC dc, const RECT& client) {
    RECT bar = {10, client.bottom - 40, client.right - 260, client.bottom - 20};
    ::paint_progress_bar(dc, bar, scan_progress_fraction(progress_.scanned.load(), progress_.total.load()), bar_pattern);
}

// What the page draws, for a screen reader: its titles, the status rows, the share done and the
// sidebar's facts.
LRESULT scan_window_c::on_get_object(WPARAM wparam, LPARAM lparam) {
    const RECT client = design_client_rect(handle());
    auto text = [](std::wstring name, RECT rect) {
        accessible_element_c element;
        element.name = std::move(name);
        element.rect = rect;
        return element;
    };
    std::vector<accessible_element_c> elements = {
        text(language_text("scan_scanning"), RECT{80, 28, client.right - 260, 60}),
        text(language_text("scan_scanning_your_computer"), RECT{box_.left, box_.top - 60, box_.right, box_.top - 30}),
    };
    int top = box_.top;
    for (std::wstring& row : status_rows()) {
        elements.push_back(text(std::move(row), RECT{box_.left, top, box_.right, top + box_.line_height}));
        top += box_.line_height + 10;
    }
    float done = scan_progress_fraction(progress_.scanned.load(), progress_.total.load());
    accessible_element_c bar =
        text(std::to_wstring(int(done * 100)) + L"%", RECT{10, client.bottom - 40, client.right - 260, client.bottom - 20});
    bar.role = ROLE_SYSTEM_PROGRESSBAR;
    elements.push_back(std::move(bar));
    for (accessible_element_c& fact : sidebar_elements(client)) elements.push_back(std::move(fact));
    return answer_accessible_object(handle(), wparam, lparam, ROLE_SYSTEM_PROPERTYPAGE, std::move(elements));
}
