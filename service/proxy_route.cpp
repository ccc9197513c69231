#include "service/proxy_route.h"

#include <mutex>

namespace {

std::mutex override_mutex;
std::optional<proxy_route_c> override_route;

}  // namespace

void set_proxy_override(std::optional<proxy_route_c> route) {
    std::lock_guard<std::mutex> lock(override_mutex);
    override_route = std::move(route);
}

proxy_route_c proxy_route_for(const std::string& url) {
    {
        std::lock_guard<std::mutex> lock(override_mutex);
        if (override_route) return *override_route;
    }
    return system_proxy_route(url);
}

void apply_proxy_route(CURL* handle, const std::string& url) {
    const proxy_route_c route = proxy_route_for(url);
    switch (route.way) {
    case proxy_way_c::library_default:
        curl_easy_setopt(handle, CURLOPT_PROXY, nullptr);
        curl_easy_setopt(handle, CURLOPT_NOPROXY, nullptr);
        break;
    case proxy_way_c::direct:
        // An empty proxy overrides the environment's (Wine hands the Linux variables on).
        curl_easy_setopt(handle, CURLOPT_PROXY, "");
        curl_easy_setopt(handle, CURLOPT_NOPROXY, nullptr);
        break;
    case proxy_way_c::through:
        curl_easy_setopt(handle, CURLOPT_PROXY, route.proxy.c_str());
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
        break;
    }
}
