// Reading "language.ini" lines: section lines and key = "text" lines, as the two patterns say.
#pragma once

#include <optional>
#include <string>
#include <utility>

// The section name of a line like "[Deutsch]" (UTF-8 bytes), or none.
std::optional<std::string> match_section_line(const std::string& line);

// The key and the raw value of a line like key="text", or none.
std::optional<std::pair<std::string, std::string>> match_text_line(const std::string& line);

// Replaces "\t" by a tab, then "\n" by a line feed.
std::string unescape_value(std::string value);
