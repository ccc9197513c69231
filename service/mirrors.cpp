#include "service/mirrors.h"

bool normalise_mirror_url(std::string& url) {
    constexpr std::string_view scheme = "http://";
    if (url.size() <= scheme.size() || url.compare(0, scheme.size(), scheme) != 0) return false;
    if (url.find_first_of(" \t\r\n") != std::string::npos) return false;
    if (url.find('/', scheme.size()) == std::string::npos) url += '/';
    return true;
}

mirror_list_c with_mirror_overrides(const mirror_list_c& base, const std::vector<std::string>& overrides) {
    mirror_list_c mirrors = base;
    for (std::size_t i = 0; i < mirrors.size() && !overrides.empty(); ++i)
        mirrors[i] = overrides[i < overrides.size() ? i : overrides.size() - 1];
    return mirrors;
}
