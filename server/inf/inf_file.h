// Reads the text of a Windows setup information (INF) file into sections and lines.
//
// The reader follows the INF syntax as Windows' setup functions read it: "[section]" headers
// (names compared without regard to case; a section that appears twice is one section with the
// lines of both), "key = value, value" lines and lines of values only, double-quoted values (""
// inside quotes is one quote), ";" comments outside quotes, "\" at the end of a line continuing
// it on the next line, %token% substitution from the [Strings] section. UTF-16 files with a byte
// order mark, UTF-8 files and 8-bit files in a Windows code page are accepted (see
// inf_text_decoding.h); texts come out as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <unordered_map>
#include <vector>

struct inf_line_c {
    int line_number = 0;              // 1-based line where the (first physical) line starts
    bool has_key = false;             // "key = values" rather than a line of values only
    std::string key;                  // as written, outer white space removed, quotes resolved
    std::vector<std::string> values;  // comma-separated fields, quotes resolved, not substituted
};

struct inf_section_c {
    std::string name;  // as first written
    int line_number = 0;
    std::vector<inf_line_c> lines;
};

struct inf_error_c {
    int line_number = 0;  // 0 when the error concerns the whole file
    std::string message;
    bool past_entry_bound = false;  // more model entries than the reader was allowed
};

// Records the failure in `error`; false, for the readers' `return fail(...)`.
inline bool fail(inf_error_c& error, int line_number, std::string message) {
    error.line_number = line_number;
    error.message = std::move(message);
    return false;
}

// The text without the spaces and tabs around it.
inline std::string_view trim_inf_blanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

class inf_file_c {
public:
    // Section by name, compared without regard to ASCII case; null when absent.
    const inf_section_c* find_section(std::string_view name) const;
    // First line of a section whose key equals `key` (ASCII case ignored); null when absent.
    const inf_line_c* find_line(std::string_view section, std::string_view key) const;
    // Replaces every %token% with its [Strings] value (unlocalised section first, keys compared
    // without regard to case); "%%" gives "%". Returns false (and leaves `out` as far as it got)
    // when a token has no value.
    bool substitute(std::string_view text, std::string& out) const;
    // substitute(), keeping an unknown %token% as written.
    std::string substitute_or_keep(std::string_view text) const;

    const std::vector<inf_section_c>& sections() const { return sections_; }

private:
    friend bool parse_inf_text(std::string_view bytes, inf_file_c& out, inf_error_c& error);
    std::vector<inf_section_c> sections_;
    // Filled by parse_inf_text so that look-ups stay cheap in large files: lower-case section
    // name to its place in sections_, and lower-case [Strings] key to its value.
    std::unordered_map<std::string, std::size_t> section_index_;
    std::unordered_map<std::string, std::string> strings_;
};

// Parses a whole file's bytes. False with `error` filled for a malformed file (an unclosed
// section header, an unclosed quote, text before the first section, a UTF-16 file of odd length
// or broken surrogates, a NUL byte in an 8-bit file).
bool parse_inf_text(std::string_view bytes, inf_file_c& out, inf_error_c& error);
