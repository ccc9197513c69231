#include "service/mirrors.h"

#include "common/text_convert.h"

#include <windows.h>

namespace {

constexpr const wchar_t* settings_key = L"SOFTWARE\\Quellmar";

}  // namespace

mirror_list_c configured_mirrors() {
    // The usable values in order; they take the places as --mirror options do, so that a
    // configured test server is never followed by a default host.
    std::vector<std::string> configured;
    const wchar_t* names[] = {L"Mirror1", L"Mirror2", L"Mirror3"};
    for (std::size_t i = 0; i < 3; ++i) {
        wchar_t value[1024] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        // RegGetValueW only reads: the key is never created or written for this.
        if (RegGetValueW(HKEY_CURRENT_USER, settings_key, names[i], RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            continue;
        std::string url = wide_to_utf8(value);
        if (normalise_mirror_url(url)) configured.push_back(url);
    }
    return with_mirror_overrides(default_mirrors, configured);
}
