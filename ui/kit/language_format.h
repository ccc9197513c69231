// Texts of "language.ini" that are printf formats. Users edit that file, so a text's conversions
// are checked against what the caller passes before it is used: a text that does not match falls
// back to the English text of the same key, and failing that to the bare values. The program
// does its own formatting (no variadic call sees an unchecked format) and bounds every result.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

class format_argument_c {
public:
    format_argument_c(int number) : number_(number) {}
    format_argument_c(const wchar_t* text) : text_(text ? text : L""), is_text_(true) {}
    format_argument_c(const std::wstring& text) : text_(text.c_str()), is_text_(true) {}

    bool is_text() const { return is_text_; }
    int number() const { return number_; }
    const wchar_t* text() const { return text_; }

private:
    int number_ = 0;
    const wchar_t* text_ = L"";
    bool is_text_ = false;
};

// Whether format's conversions are, in order, exactly those of signature: one letter per
// argument, 'd' for a number (d, i, u, x or X in the text) and 's' for a text. "%%" is a plain
// percent sign; flags, a width and a precision are allowed, '*' and any other conversion are not.
bool format_matches(std::wstring_view format, std::string_view signature);

// Whether the text holds a letter of a script written right to left (Hebrew, Arabic and their
// presentation forms).
bool has_right_to_left_letters(std::wstring_view text);

// The value as set inside a text of the loaded language: embedded left to right as fill_format
// does when the texts read right to left; else as is.
std::wstring embedded_value(std::wstring_view value);

// format filled with the arguments (format_matches must hold), at most capacity - 1 characters.
// With embed_left_to_right, a text argument without right-to-left letters (a name, a message)
// that begins or ends with a bracket or a stop is embedded left to right (U+202A ... U+202C), so
// that inside right-to-left text that character stays where it belongs.
std::wstring fill_format(std::wstring_view format, std::initializer_list<format_argument_c> arguments,
                         std::size_t capacity, bool embed_left_to_right = false);

// The first of text, english that matches the arguments, filled; else the arguments' values
// separated by blanks. At most capacity - 1 characters.
std::wstring format_checked(std::wstring_view text, std::wstring_view english,
                            std::initializer_list<format_argument_c> arguments, std::size_t capacity,
                            bool embed_left_to_right = false);

// The language text of key as a checked format, with English from "language.ini" as fallback;
// text arguments are embedded left to right when the loaded texts read right to left.
std::wstring format_language_text(const std::string& key, std::initializer_list<format_argument_c> arguments,
                                  std::size_t capacity);
