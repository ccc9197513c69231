// The inventory's records: one device_c per distinct device (instances sharing an instance path
// share a record) and one device_class_c per setup class. Texts are UTF-16 in fixed arrays whose
// capacity includes the terminating NUL; hardware and compatible IDs are multi-strings (each
// string ends in NUL, the list ends in an extra NUL).
#pragma once

#include "devices/driver_item.h"
#include "devices/offer_reason.h"

#include <cstdint>
#include <string>
#include <vector>

struct device_class_c;


// A class GUID in its binary layout, kept portable.
struct class_guid_c {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    bool operator==(const class_guid_c& other) const;
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case, the registry's text form.
    std::wstring text() const;
    // Accepts the text form with braces, in either case; false for anything else.
    static bool parse(std::wstring_view text, class_guid_c& out);
};

struct device_c {
    wchar_t instance_path[200] = {};
    wchar_t class_name[32] = {};
    wchar_t class_guid[39] = {};
    wchar_t display_name[1025] = {};
    wchar_t enumerator[129] = {};
    std::wstring hardware_ids;    // multi-string; empty when the device has none
    std::wstring compatible_ids;  // multi-string; empty when the device has none
    std::int32_t instance_count = 1;
    wchar_t inf_path[260] = {};
    wchar_t driver_date[11] = {};
    wchar_t driver_description[1025] = {};
    wchar_t driver_version[65] = {};
    wchar_t driver_provider[129] = {};
    wchar_t matching_device_id[200] = {};
    std::uint32_t driver_rank = 0;       // lower is better; 0 while it is unknown
    bool driver_rank_known = false;      // the rank of the installed driver could be read
    bool has_driver = false;
    bool status_known = false;
    const device_class_c* device_class = nullptr;  // points into the store's class list
    // The offers of the last answer that named the device; the best and latest are chosen by
    // index, so they stay right when the record is copied.
    std::vector<driver_item_c> items;
    std::uint32_t item_count = 0;
    std::int32_t best_index = -1;
    std::int32_t latest_index = -1;
    bool best_is_update = false;
    bool latest_is_update = false;
    offer_reason_c best_reason = offer_reason_c::no_offer;
    // The user hid the best or the latest offer; with hidden offers shown it stays an update, marked.
    bool best_hidden = false;
    bool latest_hidden = false;
    // Set when the installed driver is a package the catalog owner withdrew: why (UTF-16).
    std::wstring withdrawn_reason;

    const driver_item_c* best_item() const { return best_index >= 0 ? &items[std::size_t(best_index)] : nullptr; }
    const driver_item_c* latest_item() const { return latest_index >= 0 ? &items[std::size_t(latest_index)] : nullptr; }
};

struct device_class_c {
    class_guid_c guid;
    wchar_t guid_text[39] = {};
    wchar_t description[1025] = {};
    wchar_t name[32] = {};
    std::int32_t image_index = 0;
};

// Splits a multi-string into its strings (stops at the first empty string).
std::vector<std::wstring> split_multi_string(const std::wstring& multi);
// Joins strings into a multi-string with its final extra NUL.
std::wstring make_multi_string(const std::vector<std::wstring>& strings);

// Rewrites a driver date stored as month-day-year ("6-21-2006") to "2006-06-21" in place. A
// text that is not three numbers separated by "-" (common/inf_values.h) is left as it is.
void normalise_driver_date(wchar_t (&date)[11]);
