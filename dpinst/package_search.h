// Finding the driver packages under a folder: its INF files, in name order; when it has none,
// those of each of its sub-folders, searched the same way, in name order.
#pragma once

#include <filesystem>
#include <vector>

std::vector<std::filesystem::path> find_package_infs(const std::filesystem::path& folder);
