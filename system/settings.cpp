#include "system/settings.h"

#include "common/fixed_text.h"
#include "common/product_name.h"

void apply_default_settings(settings_c& settings, const data_places_c& places) {
    settings = settings_c{};
    copy_text(settings.download_path_in_use, std::wstring_view(places.download_folder));
    copy_text(settings.download_path, std::wstring_view(places.download_folder));
    copy_text(settings.backup_path, std::wstring_view(places.backup_folder));
    copy_text(settings.language, L"English");
    copy_text(settings.install_date, unset_install_date);
}

const wchar_t* first_run_language(std::optional<std::uint32_t> code) {
    static const wchar_t* const names[] = {L"English", L"Deutsch", L"Espa\u00F1ol", L"Fran\u00E7ais", L"Italiano",
                                           L"\u65E5\u672C\u8A9E", L"\u7B80\u4F53\u4E2D\u6587", L"\u7E41\u9AD4\u4E2D\u6587",
                                           L"Nederlands", L"Portugu\u00EAs", L"\u0627\u0644\u0639\u0631\u0628\u064A\u0629"};
    std::uint32_t value = code.value_or(9);
    if (value >= 1 && value <= 11) return names[value - 1];
    return names[0];
}

bool accept_string_value(std::uint32_t type, const unsigned char* bytes, std::size_t byte_count, wchar_t* field,
                         std::size_t capacity) {
    if (type != registry_string && type != registry_expandable_string) return false;
    if (byte_count % 2 != 0) return false;
    std::size_t units = byte_count / 2;
    if (units == 0) {
        if (capacity > 0) field[0] = L'\0';
        return capacity > 0;
    }
    if (units > capacity) return false;
    auto unit = [&](std::size_t i) { return wchar_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };
    if (unit(units - 1) != L'\0') return false;
    for (std::size_t i = 0; i < units; ++i) field[i] = unit(i);
    return true;
}

close_to_tray_c close_to_tray_from(std::uint32_t stored) {
    if (stored == std::uint32_t(close_to_tray_c::quit)) return close_to_tray_c::quit;
    if (stored == std::uint32_t(close_to_tray_c::hide_with_notice)) return close_to_tray_c::hide_with_notice;
    return close_to_tray_c::hide;
}

std::wstring restore_point_description(const settings_c& settings) {
    return settings.restore_point ? std::wstring(product_title) + L": driver installation" : std::wstring();
}
