// What the backup and restore pages paint beside their trees: the line at the tree's edge, the
// details block of the selected item (label and value rows) and the settings block with the
// backup folder.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

using detail_lines_c = std::vector<std::pair<const char*, std::wstring>>;

void paint_backup_details(HDC dc, const RECT& client, int details_icon, const char* details_title,
                          const detail_lines_c& rows, int settings_icon, const char* settings_title);
