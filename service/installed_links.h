// "setup.dat" in the data folder: the links of the packages whose set-up program the user has
// already started, one per line, so that a scan stops offering them. The program appends to it
// when it starts an installer and reads it after every answer.
#pragma once

#include <optional>
#include <set>
#include <string>

// The file in this data folder.
std::wstring installed_links_path(const std::wstring& data_folder);

// One link per line, blanks around it removed, empty lines skipped; nothing when the file cannot
// be read (it does not exist before the first installation).
std::optional<std::set<std::string>> read_installed_links(const std::wstring& path);

// Appends the link as one line. A link holding a line break is not written (it would become two
// links). False when nothing was written.
bool append_installed_link(const std::wstring& path, const std::string& link);

// Takes every line naming the link out of the file (rewritten whole, the old file kept when that
// fails): a package undone is offered as an update again once the user shows it. True when the
// file names it no more.
bool remove_installed_link(const std::wstring& path, const std::string& link);
