// The program's command-line switches: "--autorun" (in a second instance: the running one comes
// to the front and scans) and "--autoscan" (the first instance scans at once). A switch counts
// only as the one and only argument, compared without regard to case.
#pragma once

#include <string>
#include <vector>

constexpr const wchar_t* autorun_switch = L"--autorun";
constexpr const wchar_t* autoscan_switch = L"--autoscan";

// arguments[0] is the program path, as the shell's splitting gives it.
bool is_single_switch(const std::vector<std::wstring>& arguments, const wchar_t* name);
