#include "service/mirrors.h"

bool normalise_mirror_url(std::string& url) {
    std::size_t scheme_size = 0;
    for (std::string_view scheme : {"https://", "http://"}) {
        if (url.size() > scheme.size() && url.compare(0, scheme.size(), scheme) == 0) {
            scheme_size = scheme.size();
            break;
        }
    }
    if (scheme_size == 0) return false;
    if (url.find_first_of(" \t\r\n") != std::string::npos) return false;
    // Without a path, "/" goes after the host, before any query or fragment.
    std::size_t host_end = url.find_first_of("/?#", scheme_size);
    if (host_end == std::string::npos) url += '/';
    else if (url[host_end] != '/') url.insert(host_end, "/");
    return true;
}

mirror_list_c with_mirror_overrides(const mirror_list_c& base, const std::vector<std::string>& overrides) {
    mirror_list_c mirrors = base;
    for (std::size_t i = 0; i < mirrors.size() && !overrides.empty(); ++i)
        mirrors[i] = overrides[i < overrides.size() ? i : overrides.size() - 1];
    return mirrors;
}
