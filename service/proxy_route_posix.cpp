#include "service/proxy_route.h"

proxy_route_c system_proxy_route(const std::string&) { return proxy_route_c{proxy_way_c::library_default, {}, "environment"}; }

std::optional<proxy_settings_c> user_proxy_settings() { return std::nullopt; }
