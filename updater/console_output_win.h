// What the updater prints for scripts: to the standard output it was given (a pipe or a file),
// else to the console of the program that started it. A GUI program has neither by default.
#pragma once

#include <string_view>

// Writes the text as UTF-8, each "\n" as a line end, to standard output (or standard error);
// false when there is nowhere to write.
bool print_for_scripts(std::string_view text, bool to_error = false);
