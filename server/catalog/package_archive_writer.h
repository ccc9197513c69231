// Writes a zip archive from named members, deterministically (fixed time stamps), as the demo
// catalog's driver packages and the tests' broken packages are made.
#pragma once

#include <string>
#include <utility>
#include <vector>

using archive_member_c = std::pair<std::string, std::string>;  // path inside the archive, bytes

bool write_zip_archive(const std::string& path, const std::vector<archive_member_c>& members, std::string& error);
