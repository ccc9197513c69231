// The proxy of every request: the one given on the command line when there is one, else the
// system's (Windows: the user's proxy settings, with auto-detection and auto-configuration
// scripts; Linux: libcurl's own choice from its proxy environment variables).
#pragma once

#include "service/proxy_rules.h"

#include <curl/curl.h>

#include <optional>
#include <string>

// A proxy for every request of the run, given before the first one ("--proxy"); nothing
// returns to the system's.
void set_proxy_override(std::optional<proxy_route_c> route);

// The route of a request to this URL.
proxy_route_c proxy_route_for(const std::string& url);

// Sets the handle's proxy options for a request to this URL: direct really is direct, and a
// proxy is not switched off by a no_proxy variable.
void apply_proxy_route(CURL* handle, const std::string& url);

// The platform's part: the system's route. Windows looks an auto-configuration script's answer up
// once per scheme, host and port in a run (the lookup can take seconds: transfers run on worker
// threads), and not again once no script could be found.
proxy_route_c system_proxy_route(const std::string& url);

// The user's proxy settings as the system gives them (Windows), for diagnosis; nothing elsewhere.
std::optional<proxy_settings_c> user_proxy_settings();
