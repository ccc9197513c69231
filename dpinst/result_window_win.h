// The result window of a run that is not silent: a summary, one line per package, and a Close
// button. It closes on the button or WM_CLOSE.
#pragma once

#include <string>
#include <vector>

constexpr const wchar_t* result_window_class = L"VantorelDriverInstallerResult";
constexpr int result_summary_id = 100;
constexpr int result_details_id = 101;
constexpr int result_close_id = 1;  // IDOK

// Shows the window and runs its message loop until it is closed.
void show_result_window(const std::wstring& title, const std::wstring& summary, const std::vector<std::wstring>& lines);
