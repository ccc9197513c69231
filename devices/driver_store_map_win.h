// The driver store as the installer keeps it where Windows keeps none (Wine): package folders
// under System32\DriverStore\FileRepository, and for each published INF the folder that holds
// its package, under HKLM\SYSTEM\DriverDatabase\DriverInfFiles\<published INF> in the shape
// Windows 8 and later give that key (the default value lists the folders, "Active" names the one
// in use).
#pragma once

#include <optional>
#include <string>

// ...\System32\DriverStore\FileRepository, through Sysnative in a 32-bit process on 64-bit
// Windows (which would otherwise be sent to SysWOW64).
std::wstring driver_store_root();

bool record_store_folder(const std::wstring& published_inf, const std::wstring& folder);
std::optional<std::wstring> recorded_store_folder(const std::wstring& published_inf);
void forget_store_folder(const std::wstring& published_inf);
