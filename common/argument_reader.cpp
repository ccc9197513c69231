#include "common/argument_reader.h"

#include <utility>

std::optional<std::uint64_t> parse_whole_number(std::string_view text, std::uint64_t least, std::uint64_t most) {
    if (text.empty() || text.size() > 19) return std::nullopt;  // 19 digits always fit
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + std::uint64_t(c - '0');
    }
    if (value < least || value > most) return std::nullopt;
    return value;
}

std::string number_problem(std::string_view option, std::uint64_t least, std::uint64_t most, std::string_view text) {
    return std::string(option) + " takes a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
           ", not \"" + std::string(text) + "\"";
}

argument_reader_c::argument_reader_c(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

const std::string& argument_reader_c::current() const {
    static const std::string none;
    return done() ? none : arguments_[next_];
}

bool argument_reader_c::take_switch(std::string_view name) {
    if (done() || arguments_[next_] != name) return false;
    ++next_;
    return true;
}

bool argument_reader_c::take_value(std::string_view name, std::string& value, empty_value_c empty) {
    if (!take_switch(name)) return false;
    if (next_ == arguments_.size()) {
        refuse(std::string(name) + " needs a value");
    } else if (empty == empty_value_c::refused && arguments_[next_].empty()) {
        refuse(std::string(name) + " needs a value that is not empty");
    } else {
        value = arguments_[next_++];
    }
    return true;
}

bool argument_reader_c::take_whole_number(std::string_view name, std::uint64_t least, std::uint64_t most,
                                          std::uint64_t& value) {
    std::string text;
    if (!take_value(name, text)) return false;
    if (failed()) return true;
    if (std::optional<std::uint64_t> number = parse_whole_number(text, least, most)) value = *number;
    else refuse(number_problem(name, least, most, text));
    return true;
}

std::string argument_reader_c::take_operand() { return done() ? std::string() : arguments_[next_++]; }

void argument_reader_c::refuse(std::string problem) {
    if (problem_.empty()) problem_ = std::move(problem);
}

void argument_reader_c::refuse_unknown() { refuse("unknown argument \"" + current() + "\""); }
