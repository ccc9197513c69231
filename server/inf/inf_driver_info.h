// The driver facts an update catalog needs from one parsed INF file: its [Version] facts and
// one entry per device ID on every model line that [Manufacturer] reaches.
#pragma once

#include "server/inf/inf_file.h"

#include <string>
#include <vector>

struct inf_model_entry_c {
    std::string device_id;       // as the INF writes it
    int id_position = 0;         // 0: the model line's hardware ID; 1, 2, ...: its compatible IDs
    std::string architecture;    // "x86", "amd64", "ia64", "arm", "arm64" (lower case)
    int os_major = 0;            // from the decoration; 0 and 0 when it names no version
    int os_minor = 0;
    std::string decoration;      // as written after the models section name, e.g. "NTamd64.6.1"
    std::size_t models_line = 0; // the [Manufacturer] line that reached the section, into models_lines
    std::string description;     // the model line's key with tokens substituted
    std::string manufacturer;    // the [Manufacturer] line's key with tokens substituted
    std::string install_section; // as written on the model line
    int feature_score = -1;      // FeatureScore of the install section, -1 when absent
    int line_number = 0;         // line of the model line
};

// A [Manufacturer] line whose models sections gave entries: its decorations, of which Windows
// uses one section on a given system (see models_section_choice.h).
struct inf_models_line_c {
    std::string decorations;     // as written, each once, separated by decoration_separator
    int line_number = 0;
};

struct inf_driver_info_c {
    std::string signature;      // "$Windows NT$", "$Chicago$" ...
    std::string class_name;
    std::string class_guid;     // as written, braces included
    std::string provider;       // tokens substituted
    std::string driver_date;    // YYYY-MM-DD; empty without DriverVer
    std::string driver_version; // as written; empty when DriverVer gives none
    std::string catalog_file;   // CatalogFile (or its .NT / .NT<arch> form); empty when absent
    std::vector<inf_model_entry_c> models;
    std::vector<inf_models_line_c> models_lines;
};

// Reads the facts; false with `error` (naming the line) for a file that no driver package may
// ship: no [Version] or an unknown Signature, a DriverVer whose date is not a valid
// month/day/year, a [Manufacturer] line naming a models section that does not exist, a model line
// without an install section or device ID, a token in a description or manufacturer name that
// [Strings] does not define, a [Manufacturer] line with more than 128 decorations.
// `most_entries`: more model entries than this fail, with a message that names the number.
bool read_driver_info(const inf_file_c& inf, inf_driver_info_c& info, inf_error_c& error,
                      std::size_t most_entries = std::size_t(-1));
