// Reading a command line from the front, the same way in every tool here (vantorel-cli, the
// updater, the catalog tool): switches, switches with their value in the next argument, whole
// numbers checked, and plain operands. The first argument the tool cannot use stops the reading,
// with a problem that names the option ("--count takes a whole number ..., not \"abc\"").
//
//   argument_reader_c reader(arguments);
//   while (!reader.done()) {
//       if (reader.take_switch("--summary")) summary = true;
//       else if (reader.take_value("--profile", profile)) {}
//       else if (reader.take_number("--count", 1, 1000, count)) {}
//       else reader.refuse_unknown();
//   }
//   if (reader.failed()) ... reader.problem() ...
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A whole decimal number from `least` to `most`, digits only; nothing for anything else.
std::optional<std::uint64_t> parse_whole_number(std::string_view text, std::uint64_t least, std::uint64_t most);

// What is wrong with an option's number: "--count takes a whole number from 0 to 9, not \"abc\"".
std::string number_problem(std::string_view option, std::uint64_t least, std::uint64_t most, std::string_view text);

class argument_reader_c {
public:
    explicit argument_reader_c(std::vector<std::string> arguments);

    // True once every argument was taken, or one could not be used.
    bool done() const { return failed() || next_ == arguments_.size(); }
    bool failed() const { return !problem_.empty(); }
    // What could not be used, in one line; empty while nothing was wrong.
    const std::string& problem() const { return problem_; }

    // The argument at hand; empty when done.
    const std::string& current() const;

    // Takes the argument at hand when it is `name`.
    bool take_switch(std::string_view name);
    // Takes "NAME VALUE" when the argument at hand is `name`; with no argument after it that is a
    // problem ("--profile needs a value"), and so is an empty value where `empty` says so. True
    // whenever `name` was at hand.
    enum class empty_value_c { allowed, refused };
    bool take_value(std::string_view name, std::string& value, empty_value_c empty = empty_value_c::allowed);
    // Takes "NAME N", N a whole number from `least` to `most` (anything else is a problem naming
    // the option). True whenever `name` was at hand.
    template <typename Number>
    bool take_number(std::string_view name, std::uint64_t least, std::uint64_t most, Number& value) {
        std::uint64_t number = 0;
        if (!take_whole_number(name, least, most, number)) return false;
        if (!failed()) value = Number(number);
        return true;
    }
    // Takes the argument at hand as it is.
    std::string take_operand();

    // Stops the reading with a problem: the given one, or that the argument at hand is not taken.
    void refuse(std::string problem);
    void refuse_unknown();

private:
    bool take_whole_number(std::string_view name, std::uint64_t least, std::uint64_t most, std::uint64_t& value);

    std::vector<std::string> arguments_;
    std::size_t next_ = 0;
    std::string problem_;
};
