#include "server/inf/windows_code_pages.h"
#include <iterator>

namespace {

struct pair_c {
    unsigned from;
    unsigned to;
};

constexpr pair_c oem_to_ansi[] = {
    {437, 1252}, {850, 1252}, {858, 1252}, {852, 1250}, {855, 1251}, {866, 1251}, {737, 1253}, {857, 1254},
    {862, 1255}, {720, 1256}, {864, 1256}, {775, 1257}, {874, 874},   {932, 932},   {936, 936},   {949, 949},
    {950, 950},  {1258, 1258},
};

// Primary language (the low ten bits of a language ID) to its ANSI code page, where that is not
// 1252; languages whose code page depends on the script are handled before this table.
constexpr pair_c language_to_ansi[] = {
    {0x01, 1256}, {0x02, 1251}, {0x05, 1250}, {0x08, 1253}, {0x0D, 1255}, {0x0E, 1250}, {0x11, 932},
    {0x12, 949},  {0x15, 1250}, {0x18, 1250}, {0x19, 1251}, {0x1B, 1250}, {0x1C, 1250}, {0x1E, 874},
    {0x1F, 1254}, {0x20, 1256}, {0x22, 1251}, {0x23, 1251}, {0x24, 1250}, {0x25, 1257}, {0x26, 1257},
    {0x27, 1257}, {0x28, 1251}, {0x29, 1256}, {0x2A, 1258}, {0x2F, 1251}, {0x3F, 1251}, {0x40, 1251},
    {0x42, 1250}, {0x44, 1251}, {0x50, 1251}, {0x6D, 1251}, {0x80, 1256}, {0x85, 1251}, {0x8C, 1256},
};

unsigned look_up(const pair_c* begin, const pair_c* end, unsigned key, unsigned fallback) {
    for (const pair_c* pair = begin; pair != end; ++pair)
        if (pair->from == key) return pair->to;
    return fallback;
}

}  // namespace

unsigned ansi_code_page_for_oem(int oem_code_page) {
    if (oem_code_page <= 0) return 1252;
    return look_up(std::begin(oem_to_ansi), std::end(oem_to_ansi), unsigned(oem_code_page), 1252);
}

unsigned ansi_code_page_for_language(unsigned language_id) {
    unsigned primary = language_id & 0x3FF, sub = language_id >> 10;
    switch (primary) {
    case 0x04:  // Chinese: Taiwan, Hong Kong, Macao and "Traditional" use Big5; the rest GBK
        return sub == 0x01 || sub == 0x03 || sub == 0x05 || sub == 0x1F ? 950 : 936;
    case 0x1A:  // Croatian, Serbian, Bosnian: the Cyrillic forms use 1251
        return sub == 0x03 || sub == 0x07 || sub == 0x08 || sub == 0x0A || sub == 0x0C ? 1251 : 1250;
    case 0x2C:  // Azerbaijani
    case 0x43:  // Uzbek
        return sub == 0x02 ? 1251 : 1254;
    default:
        return look_up(std::begin(language_to_ansi), std::end(language_to_ansi), primary, 1252);
    }
}

const char* charset_of_code_page(unsigned ansi_code_page) {
    switch (ansi_code_page) {
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case utf8_code_page: return "utf-8";
    default: return "windows-1252";
    }
}
