#include "common/date_text.h"

#include <cstdio>

std::string format_date(const std::tm& moment) {
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &moment);
    return text;
}

std::string today_local() {
    std::time_t now = std::time(nullptr);
    std::tm moment{};
#ifdef _WIN32
    localtime_s(&moment, &now);
#else
    localtime_r(&now, &moment);
#endif
    return format_date(moment);
}

std::string today_utc() {
    std::time_t now = std::time(nullptr);
    std::tm moment{};
#ifdef _WIN32
    gmtime_s(&moment, &now);
#else
    gmtime_r(&now, &moment);
#endif
    return format_date(moment);
}
