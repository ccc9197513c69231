#include "ui/pages/driver_group.h"

#include "i18n/language_table.h"
#include "ui/kit/language_format.h"

#include <cstdio>
#include <cwchar>

namespace {

std::wstring or_blank(const std::wstring& value) { return value.empty() ? blank_value : value; }
std::wstring or_blank(const wchar_t* value) { return or_blank(std::wstring(value)); }

std::wstring first_string(const std::wstring& multi) {
    auto strings = split_multi_string(multi);
    return strings.empty() ? std::wstring() : strings.front();
}

std::wstring after_last_backslash(const wchar_t* path) {
    const wchar_t* last = std::wcsrchr(path, L'\\');
    return last ? last + 1 : path;
}

}  // namespace

std::wstring offer_reason_words(offer_reason_c reason) {
    return format_language_text("device_detail_reason", {language_text(std::string("reason_") + offer_reason_name(reason))},
                                512);
}

std::vector<detail_row_c> device_detail_rows(const device_c& device) {
    const driver_item_c* offer = device.best_item();
    auto offered = [offer](auto field) { return offer ? or_blank(field(*offer)) : std::wstring(blank_value); };
    // An unknown rank is no rank 00000000, which would be the best there is.
    wchar_t rank[16];
    std::swprintf(rank, 16, L"%08X", unsigned(device.driver_rank));
    const std::wstring rank_text = device.driver_rank_known ? rank : blank_value;
    const device_class_c* setup_class = device.device_class;
    return {
        {"device_detail_list_device_id", or_blank(device.instance_path), blank_value},
        {"device_detail_list_device_desc", or_blank(device.driver_description),
         offered([](const driver_item_c& item) { return std::wstring(item.description); })},
        {"device_detail_list_matching_device_id", or_blank(device.matching_device_id),
         offered([](const driver_item_c& item) { return std::wstring(item.hardid); })},
        {"device_detail_list_hardware_ids", or_blank(first_string(device.hardware_ids)), blank_value},
        {"device_detail_list_compatible_ids", or_blank(first_string(device.compatible_ids)), blank_value},
        {"device_detail_list_manufacturer", or_blank(device.driver_provider),
         offered([](const driver_item_c& item) { return std::wstring(item.manufacturer); })},
        {"device_detail_list_inf_name", or_blank(device.inf_path),
         offered([](const driver_item_c& item) { return after_last_backslash(item.inf_name.c_str()); })},
        {"device_detail_list_inf_date", or_blank(device.driver_date),
         offered([](const driver_item_c& item) { return std::wstring(item.date); })},
        {"device_detail_list_inf_version", or_blank(device.driver_version),
         offered([](const driver_item_c& item) { return std::wstring(item.version); })},
        {"device_detail_list_class_name", setup_class ? or_blank(setup_class->name) : blank_value, blank_value},
        {"device_detail_list_class_desc", setup_class ? or_blank(setup_class->description) : blank_value, blank_value},
        {"device_detail_list_enumerator", or_blank(device.enumerator), blank_value},
        {"device_detail_list_rank_of_installed_driver", rank_text, blank_value},
    };
}
