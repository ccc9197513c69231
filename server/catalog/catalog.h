// The driver catalog's records: packages (zip archives served by this server), the INF files
// inside them, and one entry per device ID on every model line of those INF files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct catalog_inf_c {
    std::string inf_path;        // inside the package, "/" separators
    std::string provider;
    std::string class_guid;
    std::string driver_date;     // YYYY-MM-DD
    std::string driver_version;
    // The catalog owner's Ed25519 signature of this INF's statement (common/package_statement.h),
    // 128 lower-case hex digits; empty when the package is not signed.
    std::string signature;
};

struct catalog_entry_c {
    std::uint32_t inf_index = 0;  // into the package's infs
    std::string device_id;        // as the INF writes it
    int id_position = 0;          // 0: the model line's hardware ID, then its compatible IDs
    std::string architecture;     // "x86", "amd64" ...
    int os_major = 0;             // from the models-section decoration; 0 when it has none
    int os_minor = 0;
    std::string description;
    std::string manufacturer;
    int feature_score = -1;       // -1 when the INF gives none
    std::string decoration;       // of its models section as written, "" for the undecorated one
    // Its [Manufacturer] line, into the package's models_lines; -1 when not known (catalogs
    // written before lines were kept): then architecture and version alone decide, as they did.
    int models_line = -1;
};

// A [Manufacturer] line of one of the package's INF files: which decorations compete for it.
struct catalog_models_line_c {
    std::uint32_t inf_index = 0;  // into the package's infs
    std::string decorations;      // as written, separated by decoration_separator (models_decoration.h)
};

// Signature classes as the program ranks them: lower is preferred.
enum : int { signature_whql = 0, signature_other = 1, signature_none = 3 };

struct catalog_package_c {
    std::string file_name;       // unique in the catalog; the last component of its link
    std::string title;
    std::string official_link;   // optional
    std::string md5;             // of the archive, lower-case hex
    std::string sha256;          // of the archive, lower-case hex; empty in catalogs written before it was kept
    std::uint64_t size = 0;      // of the archive in bytes
    int sign = signature_none;
    // Imported into the testing channel: offered only to programs that take testing packages,
    // until it graduates (by hand, or after enough good install reports).
    bool testing = false;
    std::vector<catalog_inf_c> infs;
    std::vector<catalog_entry_c> entries;
    std::vector<catalog_models_line_c> models_lines;
};

// Signed by the catalog owner: the archive's digest is known and every INF file carries a signature.
inline bool package_signed(const catalog_package_c& package) {
    if (package.sha256.empty() || package.infs.empty()) return false;
    for (const catalog_inf_c& inf : package.infs)
        if (inf.signature.empty()) return false;
    return true;
}

// A release of the program: its installer, kept in the packages folder and served beside the
// archives, and the catalog owner's signature of its statement (common/release_statement.h).
struct catalog_release_c {
    std::string version;
    std::string file_name;  // in the packages folder; the last component of its link
    std::uint64_t size = 0;
    std::string sha256;     // lower-case hex
    std::string signature;  // 128 lower-case hex digits
};

// A package withdrawn from the catalog by its archive's digest: never offered again, and refused
// by clients that still hold it.
struct catalog_withdrawal_c {
    std::string sha256;  // lower-case hex
    std::string reason;  // UTF-8, one line
};

// The catalog owner's signed statement of the catalog as a whole (common/catalog_statement.h).
struct catalog_statement_c {
    std::uint64_t serial = 0;
    std::int64_t expires = 0;  // seconds since 1970 (UTC)
    std::vector<catalog_withdrawal_c> withdrawn;  // in the order of their digests
    std::string signature;     // 128 lower-case hex digits
};
