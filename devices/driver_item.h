// One driver package the update server offers for a device.
#pragma once

#include "common/sha256.h"

#include <cstdint>

struct driver_item_c {
    wchar_t hardid[200] = {};
    wchar_t title[257] = {};
    wchar_t version[65] = {};
    wchar_t guid[39] = {};
    char link[3073] = {};
    char official_link[1025] = {};
    wchar_t inf_name[260] = {};  // the INF path inside the package, with backslashes
    wchar_t manufacturer[129] = {};
    wchar_t date[11] = {};       // YYYY-MM-DD
    wchar_t description[1025] = {};
    std::uint32_t size = 0;
    std::uint32_t cp = 0;        // preference: lower is preferred
    std::uint32_t sign = 0;      // 0 WHQL, 1 other signature, 3 unsigned
    std::uint32_t feature = 0;   // 0..255, lower is preferred
    std::uint32_t targetos = 0;  // major * 10 + minor
    // Set when the catalog owner signed the item: the package's bytes must hash to `sha256`.
    bool signed_package = false;
    sha256_digest_c sha256 = {};
};
