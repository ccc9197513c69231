#include "devices/device_record.h"

#include "common/fixed_text.h"
#include "common/inf_values.h"

#include <cstdio>
#include <cwchar>

bool class_guid_c::operator==(const class_guid_c& other) const {
    if (data1 != other.data1 || data2 != other.data2 || data3 != other.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (data4[i] != other.data4[i]) return false;
    return true;
}

std::wstring class_guid_c::text() const {
    wchar_t buffer[39];
    std::swprintf(buffer, 39, L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(data1), unsigned(data2),
                  unsigned(data3), data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buffer;
}

namespace {

int hex_value(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool read_hex(std::wstring_view text, std::size_t at, std::size_t digits, std::uint64_t& out) {
    out = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        int value = hex_value(text[at + i]);
        if (value < 0) return false;
        out = out * 16 + std::uint64_t(value);
    }
    return true;
}

}  // namespace

bool class_guid_c::parse(std::wstring_view text, class_guid_c& out) {
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text[0] != L'{' || text[37] != L'}' || text[9] != L'-' || text[14] != L'-' ||
        text[19] != L'-' || text[24] != L'-')
        return false;
    std::uint64_t value;
    class_guid_c guid;
    if (!read_hex(text, 1, 8, value)) return false;
    guid.data1 = std::uint32_t(value);
    if (!read_hex(text, 10, 4, value)) return false;
    guid.data2 = std::uint16_t(value);
    if (!read_hex(text, 15, 4, value)) return false;
    guid.data3 = std::uint16_t(value);
    const std::size_t byte_at[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!read_hex(text, byte_at[i], 2, value)) return false;
        guid.data4[i] = std::uint8_t(value);
    }
    out = guid;
    return true;
}

std::vector<std::wstring> split_multi_string(const std::wstring& multi) {
    std::vector<std::wstring> strings;
    std::size_t at = 0;
    while (at < multi.size() && multi[at] != L'\0') {
        std::size_t end = multi.find(L'\0', at);
        if (end == std::wstring::npos) end = multi.size();
        strings.push_back(multi.substr(at, end - at));
        at = end + 1;
    }
    return strings;
}

std::wstring make_multi_string(const std::vector<std::wstring>& strings) {
    std::wstring multi;
    for (const auto& text : strings) {
        multi += text;
        multi += L'\0';
    }
    multi += L'\0';
    return multi;
}

void normalise_driver_date(wchar_t (&date)[11]) {
    std::optional<inf_date_c> parsed = read_month_day_year(std::wstring_view(date), "-");
    if (!parsed) return;
    wchar_t text[32];
    std::swprintf(text, 32, L"%d-%02d-%02d", parsed->year, parsed->month, parsed->day);
    copy_text(date, text);
}
