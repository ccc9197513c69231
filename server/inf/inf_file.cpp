#include "server/inf/inf_file.h"

#include "common/text_compare.h"
#include "server/inf/inf_text_decoding.h"

#include <algorithm>
#include <utility>

namespace {

using string_table_t = std::unordered_map<std::string, std::string>;

constexpr std::size_t no_section = std::string_view::npos;
constexpr std::size_t most_expanded = 64 * 1024;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

class physical_lines_c {
public:
    explicit physical_lines_c(std::string_view text) : text_(text) {}

    // The next line without its end; false after the last one.
    bool next(std::string_view& line) {
        if (position_ >= text_.size()) return false;
        std::size_t end = text_.find_first_of("\r\n", position_);
        if (end == std::string_view::npos) end = text_.size();
        line = text_.substr(position_, end - position_);
        position_ = end;
        if (position_ < text_.size()) {
            if (text_[position_] == '\r' && position_ + 1 < text_.size() && text_[position_ + 1] == '\n') ++position_;
            ++position_;
        }
        ++number_;
        return true;
    }
    int number() const { return number_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    int number_ = 0;
};

// One field as it is read: blanks outside quotes at either end are dropped.
class field_c {
public:
    void add_plain(char c) {
        if (is_blank(c)) {
            if (!text_.empty()) text_ += c;
            return;
        }
        text_ += c;
        kept_ = text_.size();
    }
    void add_quoted(char c) {
        text_ += c;
        kept_ = text_.size();
    }
    std::string take() {
        text_.resize(kept_);
        std::string result = std::move(text_);
        text_.clear();
        kept_ = 0;
        return result;
    }

private:
    std::string text_;
    std::size_t kept_ = 0;
};

// Reads one logical line, "\"-joined physical lines included, into key and values.
class line_reader_c {
public:
    enum class step_c { next_line, done, failed };

    explicit line_reader_c(inf_line_c& line) : line_(line) {}

    step_c read(std::string_view text, int number, inf_error_c& error) {
        std::size_t last = text.find_last_not_of(" \t");
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (in_quotes_) {
                if (c != '"') {
                    field_.add_quoted(c);
                } else if (i + 1 < text.size() && text[i + 1] == '"') {
                    field_.add_quoted('"');
                    ++i;
                } else {
                    in_quotes_ = false;
                }
                continue;
            }
            if (c == ';') break;
            if (c == '\\' && i == last) return step_c::next_line;
            read_plain(c);
        }
        if (in_quotes_) {
            fail(error, number, "unclosed quote");
            return step_c::failed;
        }
        return step_c::done;
    }

    // Ends the line; false when it held nothing.
    bool finish() {
        if (value_seen_) line_.values.push_back(field_.take());
        return value_seen_ || line_.has_key;
    }

private:
    void read_plain(char c) {
        if (c == '"') {
            in_quotes_ = true;
            value_seen_ = true;
        } else if (c == '=' && !line_.has_key && line_.values.empty()) {
            // The first "=" of the first field ends the key; later ones are text.
            line_.has_key = true;
            line_.key = field_.take();
            value_seen_ = false;
        } else if (c == ',') {
            line_.values.push_back(field_.take());
            value_seen_ = true;
        } else {
            field_.add_plain(c);
            value_seen_ = value_seen_ || !is_blank(c);
        }
    }

    inf_line_c& line_;
    field_c field_;
    bool in_quotes_ = false;
    bool value_seen_ = false;
};

enum class read_result_c { line, blank, failed };

read_result_c read_logical_line(physical_lines_c& lines, std::string_view first, inf_line_c& line, inf_error_c& error) {
    line.line_number = lines.number();
    line_reader_c reader(line);
    std::string_view text = first;
    for (;;) {
        auto step = reader.read(text, lines.number(), error);
        if (step == line_reader_c::step_c::failed) return read_result_c::failed;
        if (step == line_reader_c::step_c::done || !lines.next(text)) break;
    }
    return reader.finish() ? read_result_c::line : read_result_c::blank;
}

bool is_section_header(std::string_view text) {
    std::size_t first = text.find_first_not_of(" \t");
    return first != std::string_view::npos && text[first] == '[';
}

bool read_section_name(std::string_view text, int number, std::string& name, inf_error_c& error) {
    std::size_t open = text.find('[');
    std::size_t close = text.find(']', open);
    if (close == std::string_view::npos) return fail(error, number, "unclosed section header");
    std::string_view rest = trim_inf_blanks(text.substr(close + 1));
    if (!rest.empty() && rest.front() != ';') return fail(error, number, "text after the section header");
    name.assign(trim_inf_blanks(text.substr(open + 1, close - open - 1)));
    return true;
}

std::string joined_values(const std::vector<std::string>& values) {
    std::string result;
    for (std::size_t i = 0; i < values.size(); ++i) result += (i ? ", " : "") + values[i];
    return result;
}

// Appends `text` with its tokens replaced; false at the first unknown token unless it is kept.
// Windows allows 4096 characters in a string; a result longer than most_expanded is cut there,
// so that a file repeating a long token cannot grow without bound.
bool expand_tokens(std::string_view text, const string_table_t& strings, bool keep_unknown, std::string& out) {
    auto append = [&out](std::string_view piece) {
        out.append(piece.substr(0, most_expanded - std::min(out.size(), most_expanded)));
        return out.size() < most_expanded;
    };
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t open = text.find('%', at);
        std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) {
            // A "%" without a partner is text.
            append(text.substr(at));
            break;
        }
        if (!append(text.substr(at, open - at))) break;
        std::string_view token = text.substr(open + 1, close - open - 1);
        auto found = token.empty() ? strings.end() : strings.find(ascii_lowered(token));
        bool room = true;
        if (token.empty()) {
            room = append("%");
        } else if (found != strings.end()) {
            room = append(found->second);
        } else if (keep_unknown) {
            room = append(text.substr(open, close - open + 1));
        } else {
            return false;
        }
        if (!room) break;
        at = close + 1;
    }
    return true;
}

}  // namespace

const inf_section_c* inf_file_c::find_section(std::string_view name) const {
    auto found = section_index_.find(ascii_lowered(name));
    return found == section_index_.end() ? nullptr : &sections_[found->second];
}

const inf_line_c* inf_file_c::find_line(std::string_view section, std::string_view key) const {
    const inf_section_c* found = find_section(section);
    if (!found) return nullptr;
    std::string wanted = ascii_lowered(key);
    for (const inf_line_c& line : found->lines)
        if (line.has_key && line.key.size() == wanted.size() && ascii_lowered(line.key) == wanted) return &line;
    return nullptr;
}

bool inf_file_c::substitute(std::string_view text, std::string& out) const {
    out.clear();
    return expand_tokens(text, strings_, false, out);
}

std::string inf_file_c::substitute_or_keep(std::string_view text) const {
    std::string out;
    expand_tokens(text, strings_, true, out);
    return out;
}

bool parse_inf_text(std::string_view bytes, inf_file_c& out, inf_error_c& error) {
    out = inf_file_c();
    error = inf_error_c();
    std::string text;
    if (!decode_inf_bytes(bytes, text, error)) return false;
    physical_lines_c lines(text);
    std::size_t current = no_section;
    std::string_view physical;
    while (lines.next(physical)) {
        if (is_section_header(physical)) {
            std::string name;
            if (!read_section_name(physical, lines.number(), name, error)) return false;
            auto placed = out.section_index_.emplace(ascii_lowered(name), out.sections_.size());
            if (placed.second) out.sections_.push_back(inf_section_c{name, lines.number(), {}});
            current = placed.first->second;
            continue;
        }
        inf_line_c line;
        read_result_c result = read_logical_line(lines, physical, line, error);
        if (result == read_result_c::failed) return false;
        if (result == read_result_c::blank) continue;
        if (current == no_section) return fail(error, line.line_number, "text before the first section");
        out.sections_[current].lines.push_back(std::move(line));
    }
    if (const inf_section_c* strings = out.find_section("Strings")) {
        // The first definition of a key counts, as with find_line().
        for (const inf_line_c& line : strings->lines)
            if (line.has_key) out.strings_.emplace(ascii_lowered(line.key), joined_values(line.values));
    }
    return true;
}
