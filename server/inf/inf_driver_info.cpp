#include "server/inf/inf_driver_info.h"

#include "common/inf_values.h"
#include "common/text_compare.h"
#include "server/inf/models_decoration.h"

#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Everything one [Manufacturer] line passes on to its model lines' entries.
struct models_context_c {
    std::string manufacturer;
    std::string decoration;
    models_decoration_c target;
    std::size_t models_line = 0;
};

// Windows allows no longer section names; longer decorated names are not looked up.
constexpr std::size_t most_section_name = 255;
// Real lines name a handful of decorations; every one is weighed for every match of the line.
constexpr std::size_t most_decorations = 128;
// What the entries of one file may take in memory: hostile files cannot grow them without bound.
constexpr std::size_t most_entry_bytes = std::size_t(128) << 20;

// What reading the models of one file keeps from line to line.
struct models_state_c {
    std::unordered_set<const inf_section_c*> read;              // models sections read so far
    std::unordered_map<const inf_section_c*, int> feature_scores;  // per install section
    std::size_t entry_bytes = 0;
    std::size_t most_entries = std::size_t(-1);
};

std::string first_value(const inf_line_c* line) {
    return line && !line->values.empty() ? line->values[0] : std::string();
}

// "mm/dd/yyyy" to "yyyy-mm-dd"; false when it is no valid date, or one before 1980 or after 2099.
bool parse_driver_date(std::string_view text, std::string& date) {
    std::optional<inf_date_c> parsed = read_month_day_year(text, "/");
    if (!parsed || !is_calendar_date(*parsed) || parsed->year < 1980 || parsed->year > 2099) return false;
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "%04d-%02d-%02d", parsed->year, parsed->month, parsed->day);
    date = formatted;
    return true;
}

bool read_driver_ver(const inf_file_c& inf, inf_driver_info_c& info, inf_error_c& error) {
    const inf_line_c* line = inf.find_line("Version", "DriverVer");
    if (!line || line->values.empty()) return true;
    const std::string& date = line->values[0];
    std::string version = line->values.size() > 1 ? line->values[1] : std::string();
    if (date.empty() && version.empty()) return true;
    if (!parse_driver_date(date, info.driver_date)) return fail(error, line->line_number, "DriverVer has no valid date: " + date);
    info.driver_version = std::move(version);
    return true;
}

void read_catalog_file(const inf_file_c& inf, inf_driver_info_c& info) {
    static const char* const keys[] = {"CatalogFile.NTx86", "CatalogFile.NTamd64", "CatalogFile.NTia64",
                                       "CatalogFile.NTarm", "CatalogFile.NTarm64", "CatalogFile.NT", "CatalogFile"};
    for (const char* key : keys) {
        if (const inf_line_c* line = inf.find_line("Version", key)) {
            info.catalog_file = first_value(line);
            return;
        }
    }
}

bool read_version(const inf_file_c& inf, inf_driver_info_c& info, inf_error_c& error) {
    const inf_section_c* version = inf.find_section("Version");
    if (!version) return fail(error, 0, "no [Version] section");
    const inf_line_c* signature = inf.find_line("Version", "Signature");
    if (!signature) return fail(error, version->line_number, "[Version] has no Signature");
    info.signature = first_value(signature);
    bool known = false;
    for (const char* name : {"$Windows NT$", "$Chicago$", "$Windows 95$"}) known = known || equal_ignoring_ascii_case(info.signature, name);
    if (!known) return fail(error, signature->line_number, "unknown Signature " + info.signature);
    info.class_name = first_value(inf.find_line("Version", "Class"));
    info.class_guid = first_value(inf.find_line("Version", "ClassGuid"));
    info.provider = inf.substitute_or_keep(first_value(inf.find_line("Version", "Provider")));
    read_catalog_file(inf, info);
    return read_driver_ver(inf, info, error);
}

int install_feature_score(const inf_section_c& install) {
    const inf_line_c* found = nullptr;
    for (const inf_line_c& line : install.lines)
        if (line.has_key && equal_ignoring_ascii_case(line.key, "FeatureScore")) {
            found = &line;
            break;
        }
    std::optional<std::uint8_t> score = read_feature_score(first_value(found));
    return score ? int(*score) : -1;
}

// The install section as Windows picks it for an architecture: .NT<arch>, then .NT, then plain.
int feature_score(const inf_file_c& inf, const std::string& install, const std::string& architecture,
                  std::unordered_map<const inf_section_c*, int>& cache) {
    const inf_section_c* section = inf.find_section(install + ".NT" + architecture);
    if (!section) section = inf.find_section(install + ".NT");
    if (!section) section = inf.find_section(install);
    if (!section) return -1;
    auto cached = cache.find(section);
    if (cached != cache.end()) return cached->second;
    int score = install_feature_score(*section);
    cache.emplace(section, score);
    return score;
}

std::size_t entry_bytes(const inf_model_entry_c& entry) {
    return sizeof entry + entry.device_id.size() + entry.architecture.size() + entry.decoration.size() +
           entry.description.size() + entry.manufacturer.size() + entry.install_section.size();
}

bool read_model_line(const inf_file_c& inf, const inf_line_c& line, const models_context_c& context, models_state_c& state,
                     inf_driver_info_c& info, inf_error_c& error) {
    // A line without "=" has no description; its first field is still the install section.
    if (line.values.empty() || line.values[0].empty()) return fail(error, line.line_number, "model line without an install section");
    inf_model_entry_c entry;
    if (!inf.substitute(line.key, entry.description))
        return fail(error, line.line_number, "undefined token in the description " + line.key);
    entry.architecture = context.target.architecture;
    entry.os_major = context.target.os_major;
    entry.os_minor = context.target.os_minor;
    entry.decoration = context.decoration;
    entry.models_line = context.models_line;
    entry.manufacturer = context.manufacturer;
    entry.install_section = line.values[0];
    entry.feature_score = feature_score(inf, entry.install_section, entry.architecture, state.feature_scores);
    entry.line_number = line.line_number;
    bool any_id = false;
    for (std::size_t i = 1; i < line.values.size(); ++i) {
        if (line.values[i].empty()) continue;
        entry.device_id = line.values[i];
        entry.id_position = int(i - 1);
        state.entry_bytes += entry_bytes(entry);
        if (state.entry_bytes > most_entry_bytes) return fail(error, line.line_number, "too many model entries");
        if (info.models.size() >= state.most_entries) {
            error.past_entry_bound = true;
            return fail(error, line.line_number, "more than " + std::to_string(state.most_entries) + " model entries");
        }
        info.models.push_back(entry);
        any_id = true;
    }
    return any_id || fail(error, line.line_number, "model line without a device ID");
}

// Whether the text can be a decoration of the line's models section name: not empty, a section
// name Windows would look up, no field separator (a quoted value's comma).
bool usable_decoration(const std::string& models_name, const std::string& decoration) {
    return !decoration.empty() && models_name.size() + 1 + decoration.size() <= most_section_name &&
           decoration.find(decoration_separator) == std::string::npos;
}

// The line's decorations, each once (Windows compares section names without regard to case).
bool line_decorations(const inf_line_c& line, const std::string& models_name, inf_models_line_c& models_line,
                      inf_error_c& error) {
    std::vector<std::string_view> seen;
    for (std::size_t i = 1; i < line.values.size(); ++i) {
        const std::string& decoration = line.values[i];
        if (!usable_decoration(models_name, decoration)) continue;
        bool repeated = false;
        for (std::string_view other : seen) repeated = repeated || equal_ignoring_ascii_case(other, decoration);
        if (repeated) continue;
        if (seen.size() == most_decorations)
            return fail(error, line.line_number, "more than " + std::to_string(most_decorations) + " decorations");
        seen.push_back(decoration);
        if (!models_line.decorations.empty()) models_line.decorations += decoration_separator;
        models_line.decorations += decoration;
    }
    models_line.line_number = line.line_number;
    return true;
}

// One [Manufacturer] line: its undecorated models section and one per decoration. A models
// section reached twice is read once, so that entries never multiply. The line is kept when its
// sections gave entries.
bool read_manufacturer_line(const inf_file_c& inf, const inf_line_c& line, models_state_c& state, inf_driver_info_c& info,
                            inf_error_c& error) {
    std::string models_name = line.values.empty() ? std::string() : line.values[0];
    if (models_name.empty()) return fail(error, line.line_number, "manufacturer line without a models section");
    models_context_c context;
    const std::string& name = line.has_key ? line.key : models_name;
    if (!inf.substitute(name, context.manufacturer)) return fail(error, line.line_number, "undefined token in the manufacturer " + name);
    inf_models_line_c models_line;
    if (!line_decorations(line, models_name, models_line, error)) return false;
    context.models_line = info.models_lines.size();
    const std::size_t entries_before = info.models.size();
    bool any_section = false;
    for (std::size_t i = 0; i < line.values.size(); ++i) {
        const std::string decoration = i == 0 ? std::string() : line.values[i];
        if (i > 0 && !usable_decoration(models_name, decoration)) continue;
        const inf_section_c* models = inf.find_section(i == 0 ? models_name : models_name + "." + decoration);
        if (!models) continue;
        any_section = true;
        if (!state.read.insert(models).second) continue;
        context.decoration = decoration;
        context.target = parse_models_decoration(decoration);
        for (const inf_line_c& model : models->lines)
            if (!read_model_line(inf, model, context, state, info, error)) return false;
    }
    if (info.models.size() > entries_before) info.models_lines.push_back(std::move(models_line));
    return any_section || fail(error, line.line_number, "no models section " + models_name + " for this manufacturer");
}

}  // namespace

bool read_driver_info(const inf_file_c& inf, inf_driver_info_c& info, inf_error_c& error, std::size_t most_entries) {
    info = inf_driver_info_c();
    error = inf_error_c();
    if (!read_version(inf, info, error)) return false;
    const inf_section_c* manufacturers = inf.find_section("Manufacturer");
    if (!manufacturers) return true;
    models_state_c state;
    state.most_entries = most_entries;
    for (const inf_line_c& line : manufacturers->lines)
        if (!read_manufacturer_line(inf, line, state, info, error)) return false;
    return true;
}
