// Today's date as "%Y-%m-%d", in local time (backup index) or UTC (first-run install date).
#pragma once

#include <ctime>
#include <string>

std::string today_local();
std::string today_utc();
std::string format_date(const std::tm& moment);
