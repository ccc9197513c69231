// The update-server mirrors with the demo catalog that the test script started: VANTOREL_MIRRORS
// names their base URLs, separated by blanks. Empty when the script started none.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> mirrors_from_environment() {
    const char* text = std::getenv("VANTOREL_MIRRORS");
    std::vector<std::string> urls;
    std::istringstream words(text ? text : "");
    for (std::string url; words >> url;) urls.push_back(url);
    return urls;
}
