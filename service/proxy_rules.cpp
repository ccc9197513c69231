#include "service/proxy_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> tokens(const std::string& text, const char* separators) {
    std::vector<std::string> found;
    std::size_t start = 0;
    while ((start = text.find_first_not_of(separators, start)) != std::string::npos) {
        const std::size_t end = text.find_first_of(separators, start);
        found.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end;
    }
    return found;
}

bool all_digits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// "host:port", "[v6]:port", "host" or "v6" (more than one colon, no brackets) into its host and
// port text (empty when none is written).
void split_host_port(const std::string& text, std::string& host, std::string& port) {
    port.clear();
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        host = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < text.size() && text[close + 1] == ':') port = text.substr(close + 2);
        return;
    }
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    } else {
        host = text;
    }
}

int default_port(const std::string& scheme) {
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    if (scheme == "ftp") return 21;
    return 0;
}

// '*' stands for any text, also none; letters are compared without regard to case.
bool wildcard_match(const std::string& pattern, const std::string& text) {
    std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   std::tolower(static_cast<unsigned char>(pattern[p])) == std::tolower(static_cast<unsigned char>(text[t]))) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool is_loopback(const std::string& host) {
    if (host == "localhost" || host == "::1" || host == "0:0:0:0:0:0:0:1") return true;
    if (host.compare(0, 4, "127.") != 0) return false;
    for (char c : host)
        if (c != '.' && !std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool entry_matches(std::string entry, const url_parts_c& url) {
    const std::size_t scheme_end = entry.find("://");
    if (scheme_end != std::string::npos) {
        if (!wildcard_match(entry.substr(0, scheme_end), url.scheme)) return false;
        entry.erase(0, scheme_end + 3);
    }
    if (!entry.empty() && entry.back() == '/') entry.pop_back();
    std::string host, port;
    split_host_port(entry, host, port);
    if (!port.empty() && port != "*" && (!all_digits(port) || std::atoi(port.c_str()) != url.port)) return false;
    // ".example.com" is meant as every host in it.
    if (!host.empty() && host[0] == '.') host.insert(0, "*");
    return !host.empty() && wildcard_match(host, url.host);
}

// A server of a list as a proxy URL for libcurl, whose default port (1080) is not the list's (80).
std::string as_proxy_url(const std::string& server, const char* scheme) {
    std::string url = server.find("://") == std::string::npos ? std::string(scheme) + "://" + server : server;
    const std::size_t start = url.find("://") + 3;
    const std::size_t end = std::min(url.find('/', start), url.size());
    std::string authority = url.substr(start, end - start), host, port;
    const std::size_t at = authority.rfind('@');
    split_host_port(at == std::string::npos ? authority : authority.substr(at + 1), host, port);
    if (port.empty() && lower(url.substr(0, start)) == "http://") url.insert(end, ":80");
    return url;
}

}  // namespace

url_parts_c split_url(const std::string& url) {
    url_parts_c parts;
    std::size_t start = 0;
    const std::size_t scheme_end = url.find("://");
    if (scheme_end != std::string::npos) {
        parts.scheme = lower(url.substr(0, scheme_end));
        start = scheme_end + 3;
    }
    const std::size_t end = url.find_first_of("/?#", start);
    std::string authority = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    std::string port;
    split_host_port(authority, parts.host, port);
    parts.host = lower(parts.host);
    parts.port = all_digits(port) && port.size() <= 5 ? std::atoi(port.c_str()) : default_port(parts.scheme);
    return parts;
}

std::string proxy_for_scheme(const std::string& servers, const std::string& scheme) {
    std::string own, any, socks;
    for (const std::string& entry : tokens(servers, "; \t\r\n")) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (any.empty()) any = entry;
            continue;
        }
        const std::string name = lower(entry.substr(0, equals)), server = entry.substr(equals + 1);
        if (server.empty()) continue;
        if (name == scheme && own.empty()) own = server;
        if (name == "socks" && socks.empty()) socks = server;
    }
    if (!own.empty()) return as_proxy_url(own, "http");
    if (!any.empty()) return as_proxy_url(any, "http");
    if (!socks.empty()) return as_proxy_url(socks, "socks4");
    return std::string();
}

bool bypasses_proxy(const std::string& bypass, const std::string& url) {
    const url_parts_c parts = split_url(url);
    bool loopback_bypasses = true;
    for (const std::string& entry : tokens(bypass, ";, \t\r\n")) {
        const std::string name = lower(entry);
        if (name == "<-loopback>") {
            loopback_bypasses = false;
        } else if (name == "<local>") {
            if (!parts.host.empty() && parts.host.find_first_of(".:") == std::string::npos) return true;
        } else if (entry_matches(name, parts)) {
            return true;
        }
    }
    return loopback_bypasses && is_loopback(parts.host);
}

proxy_route_c manual_route(const proxy_settings_c& settings, const std::string& url) {
    proxy_route_c route{proxy_way_c::direct, std::string(), "settings"};
    const std::string proxy = proxy_for_scheme(settings.servers, split_url(url).scheme);
    if (!proxy.empty() && !bypasses_proxy(settings.bypass, url)) {
        route.way = proxy_way_c::through;
        route.proxy = proxy;
    }
    return route;
}

proxy_route_c script_route(const std::string& proxies, const std::string& url) {
    proxy_route_c route{proxy_way_c::direct, std::string(), "script"};
    route.proxy = proxy_for_scheme(proxies, split_url(url).scheme);
    if (!route.proxy.empty()) route.way = proxy_way_c::through;
    return route;
}

std::optional<proxy_route_c> route_from_option(const std::string& text) {
    const std::string name = lower(text);
    if (name == "direct" || name == "none") return proxy_route_c{proxy_way_c::direct, std::string(), "--proxy"};
    if (text.empty() || text.find_first_of(" \t\r\n;,") != std::string::npos) return std::nullopt;
    const std::size_t scheme_end = name.find("://");
    if (scheme_end != std::string::npos) {
        const std::string scheme = name.substr(0, scheme_end);
        if (scheme != "http" && scheme != "https" && scheme != "socks4" && scheme != "socks4a" && scheme != "socks5" &&
            scheme != "socks5h")
            return std::nullopt;
    }
    if (split_url(scheme_end == std::string::npos ? "http://" + text : text).host.empty()) return std::nullopt;
    return proxy_route_c{proxy_way_c::through, as_proxy_url(text, "http"), "--proxy"};
}
