#include "service/proxy_route.h"

#include "common/text_convert.h"
#include "common/unique_handle.h"

#include <windows.h>
#include <winhttp.h>

#include <map>
#include <mutex>

namespace {

struct internet_handle_traits_c {
    using handle = HINTERNET;
    static handle invalid() { return nullptr; }
    static void close(handle h) { WinHttpCloseHandle(h); }
};
using internet_handle_c = unique_handle_c<internet_handle_traits_c>;

// The text of a string WinHTTP allocated for the caller, which is freed.
std::string take_text(LPWSTR& text) {
    std::string utf8 = text ? wide_to_utf8(text) : std::string();
    if (text) GlobalFree(text);
    text = nullptr;
    return utf8;
}

proxy_settings_c read_user_settings() {
    proxy_settings_c settings;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    // Without settings to read (a service's account), requests go directly.
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return settings;
    settings.auto_detect = config.fAutoDetect != FALSE;
    settings.auto_config_url = take_text(config.lpszAutoConfigUrl);
    settings.servers = take_text(config.lpszProxy);
    settings.bypass = take_text(config.lpszProxyBypass);
    return settings;
}

// The user's settings, read once per run, and what the scripts answered for each server.
class system_proxy_c {
public:
    proxy_route_c route(const std::string& url) {
        std::lock_guard<std::mutex> lock(mutex_);
        const proxy_settings_c& settings = settings_locked();
        if (no_script_ || (!settings.auto_detect && settings.auto_config_url.empty())) return manual_route(settings, url);
        const url_parts_c parts = split_url(url);
        const std::string server = parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port);
        const auto known = by_server_.find(server);
        if (known != by_server_.end()) return known->second;
        return by_server_[server] = ask_script(settings, url);
    }

    proxy_settings_c settings() {
        std::lock_guard<std::mutex> lock(mutex_);
        return settings_locked();
    }

private:
    const proxy_settings_c& settings_locked() {
        if (!settings_) settings_ = read_user_settings();
        return *settings_;
    }

    // The script's answer (auto-detection first, then the configured address, as WinHTTP tries
    // them); the manual settings when there is none for this URL (WinHTTP knows http and https
    // only), and from then on for every URL when no script could be found or fetched.
    proxy_route_c ask_script(const proxy_settings_c& settings, const std::string& url) {
        if (!session_)
            session_.reset(WinHttpOpen(L"Vantorel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
        const std::wstring script_url = utf8_to_wide(settings.auto_config_url), wide_url = utf8_to_wide(url);
        WINHTTP_AUTOPROXY_OPTIONS options = {};
        if (settings.auto_detect) {
            options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
            options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }
        if (!script_url.empty()) {
            options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
            options.lpszAutoConfigUrl = script_url.c_str();
        }
        // A script behind an authenticating server is fetched with the user's own logon.
        options.fAutoLogonIfChallenged = TRUE;
        WINHTTP_PROXY_INFO info = {};
        bool answered = session_ && WinHttpGetProxyForUrl(session_.get(), wide_url.c_str(), &options, &info);
        DWORD error = answered ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_INVALID_PARAMETER && options.dwFlags == (WINHTTP_AUTOPROXY_AUTO_DETECT | WINHTTP_AUTOPROXY_CONFIG_URL)) {
            // Wine 8 refuses both ways in one call: each on its own, in the same order.
            for (DWORD way : {DWORD(WINHTTP_AUTOPROXY_AUTO_DETECT), DWORD(WINHTTP_AUTOPROXY_CONFIG_URL)}) {
                options.dwFlags = way;
                answered = WinHttpGetProxyForUrl(session_.get(), wide_url.c_str(), &options, &info);
                error = answered ? ERROR_SUCCESS : GetLastError();
                if (answered) break;
            }
        }
        if (!answered) {
            if (error == ERROR_WINHTTP_AUTODETECTION_FAILED || error == ERROR_WINHTTP_UNABLE_TO_DOWNLOAD_SCRIPT) no_script_ = true;
            return manual_route(settings, url);
        }
        const std::string proxies = take_text(info.lpszProxy);
        take_text(info.lpszProxyBypass);
        return script_route(info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxies : std::string(), url);
    }

    std::mutex mutex_;
    std::optional<proxy_settings_c> settings_;
    bool no_script_ = false;
    std::map<std::string, proxy_route_c> by_server_;
    internet_handle_c session_;
};

system_proxy_c& system_proxy() {
    static system_proxy_c proxy;
    return proxy;
}

}  // namespace

proxy_route_c system_proxy_route(const std::string& url) { return system_proxy().route(url); }

std::optional<proxy_settings_c> user_proxy_settings() { return system_proxy().settings(); }
