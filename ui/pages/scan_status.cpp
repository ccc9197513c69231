#include "ui/pages/scan_status.h"

#include "i18n/language_table.h"
#include "common/failure_code.h"
#include "ui/kit/language_format.h"

#include <cwchar>

status_box_c scan_status_box(int client_width, int client_height, int text_width, int line_height) {
    status_box_c box;
    box.line_height = line_height;
    int box_height = 5 * line_height + 40;
    int main_width = client_width - 250;
    if (text_width > 2 * main_width / 3) {
        box.left = (main_width - text_width) / 2;
        box.right = box.left + text_width;
    } else {
        box.left = main_width / 6;
        box.right = 5 * main_width / 6;
    }
    box.top = (client_height - box_height) / 2;
    box.bottom = box.top + box_height;
    return box;
}

float scan_progress_fraction(std::int32_t scanned, std::int32_t total) {
    if (total <= 0 || scanned <= 0) return 0.0f;
    if (scanned >= total) return 1.0f;
    return float(scanned) / float(total);
}

const wchar_t* waiting_dots(std::int64_t now_seconds) {
    static const wchar_t* const dots[3] = {L".", L"..", L"..."};
    std::int64_t index = now_seconds % 3;
    return dots[index < 0 ? index + 3 : index];
}

std::wstring elapsed_text(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    wchar_t text[16];
    std::swprintf(text, 16, L"%02d:%02d:%02d", int(seconds / 3600 % 24), int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

std::wstring withdrawn_drivers_text(const device_store_c& store) {
    constexpr std::size_t most_named = 8;
    std::wstring names;
    std::size_t count = 0;
    for (const device_c& device : store.devices) {
        if (device.withdrawn_reason.empty()) continue;
        if (++count <= most_named) names += L"\n\x2022 " + std::wstring(device.display_name) + L": " + device.withdrawn_reason;
    }
    if (count == 0) return {};
    if (count > most_named) names += L"\n\x2022 \x2026 (+" + std::to_wstring(count - most_named) + L")";
    return language_text("withdrawn_driver_notice") + L"\n" + names;
}

std::optional<std::wstring> scan_error_text(failure_code_c code, std::int32_t detail, const std::wstring& server_message) {
    switch (code) {
        case failure_code_c::network_timeout: return language_text("error_network_timeout");
        case failure_code_c::transfer_create:
        case failure_code_c::compress:
        case failure_code_c::no_thread: return language_text("error_internal_error");
        case failure_code_c::network:
            if (!server_message.empty()) return server_message;
            return format_language_text("error_network_error", {int(detail)}, 1024);
        case failure_code_c::invalid_answer: return language_text("error_invalid_date");
        // The reason (which mirror, which expiry or serial) follows the words of the language.
        case failure_code_c::catalog_refused: return language_text("error_catalog_refused") + L"\n\n" + server_message;
        default: return std::nullopt;
    }
}
