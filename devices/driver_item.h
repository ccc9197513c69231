// One driver package the update server offers for a device. Its texts keep their own length, no
// longer than the *_most characters below (UTF-16 units; bytes for the two links), where the
// answer reader cuts them.
#pragma once

#include "common/sha256.h"

#include <cstddef>
#include <cstdint>
#include <string>

struct driver_item_c {
    static constexpr std::size_t hardid_most = 199;
    static constexpr std::size_t title_most = 256;
    static constexpr std::size_t version_most = 64;
    static constexpr std::size_t guid_most = 38;
    static constexpr std::size_t link_most = 3072;
    static constexpr std::size_t official_link_most = 1024;
    static constexpr std::size_t inf_name_most = 259;
    static constexpr std::size_t manufacturer_most = 128;
    static constexpr std::size_t date_most = 10;
    static constexpr std::size_t description_most = 1024;

    std::wstring hardid;
    std::wstring title;
    std::wstring version;
    std::wstring guid;
    std::string link;
    std::string official_link;
    std::wstring inf_name;  // the INF path inside the package, with backslashes
    std::wstring manufacturer;
    std::wstring date;      // YYYY-MM-DD
    std::wstring description;
    std::uint32_t size = 0;
    std::uint32_t cp = 0;        // preference: lower is preferred
    std::uint32_t sign = 0;      // 0 WHQL, 1 other signature, 3 unsigned
    std::uint32_t feature = 0;   // 0..255, lower is preferred
    std::uint32_t targetos = 0;  // major * 10 + minor
    // Set when the catalog owner signed the item: the package's bytes must hash to `sha256`.
    bool signed_package = false;
    sha256_digest_c sha256 = {};
};
