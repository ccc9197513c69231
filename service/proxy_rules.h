// Which proxy a request goes through, decided from the proxy settings as Windows keeps them for the
// user (Internet Options, Connections, LAN settings) or from what a proxy auto-configuration
// script answered. Only the rules live here; reading the settings and running the scripts is the
// platform's part (proxy_route.h).
#pragma once

#include <optional>
#include <string>

// The user's settings, as WinHttpGetIEProxyConfigForCurrentUser gives them (UTF-8).
struct proxy_settings_c {
    bool auto_detect = false;     // look for a script on the network (WPAD)
    std::string auto_config_url;  // the script's address, when one is set
    std::string servers;          // "host:port" for every scheme, or "http=host:port;https=host:port"
    std::string bypass;           // "*.example.com;10.*;<local>": hosts reached directly
};

enum class proxy_way_c {
    library_default,  // as libcurl chooses by itself (its proxy environment variables): Linux
    direct,           // straight to the server, whatever the environment says
    through,          // through the proxy named
};

// How one request reaches its server, and where that choice came from (for diagnosis).
struct proxy_route_c {
    proxy_way_c way = proxy_way_c::library_default;
    std::string proxy;   // with through: a proxy URL for libcurl ("http://host:port")
    std::string source;  // "--proxy", "settings", "script", "environment"
};

// The parts of a URL the rules look at: the scheme and host in lower case (an IPv6 address without
// its brackets) and the port, the scheme's own when none is written.
struct url_parts_c {
    std::string scheme;
    std::string host;
    int port = 0;
};
url_parts_c split_url(const std::string& url);

// The proxy of a server list for a scheme as a proxy URL: the "scheme=" entry when there is one,
// else the first entry without a scheme, else a "socks=" entry (as SOCKS 4), else "" (none).
// Entries are separated by ';' or white space; a server without a port is on port 80.
std::string proxy_for_scheme(const std::string& servers, const std::string& scheme);

// Whether the bypass list sends a request to this URL directly. Entries, separated by ';', ',' or
// white space and compared without regard to case: a host pattern where '*' stands for any text,
// with an optional "scheme://" in front and ":port" behind (each must then match too); "<local>",
// any host name without a dot. Loopback addresses (localhost, 127.*, ::1) always bypass the proxy,
// as browsers on Windows do, unless the list holds "<-loopback>".
bool bypasses_proxy(const std::string& bypass, const std::string& url);

// The route the manual settings give a URL: direct when the list bypasses it or no server serves
// its scheme, else through that server.
proxy_route_c manual_route(const proxy_settings_c& settings, const std::string& url);

// The route of a proxy list that an auto-configuration script gave for a URL (WinHTTP's
// "host:port;host2:port" form): through its first proxy for the URL's scheme; direct when empty.
proxy_route_c script_route(const std::string& proxies, const std::string& url);

// A proxy given on a command line: "direct" (or "none") for no proxy, or a proxy URL
// ("http://host:port", "socks5://host:port", or "host:port" for http); nothing for text that is
// neither.
std::optional<proxy_route_c> route_from_option(const std::string& text);
