#include "service/mirrors.h"

#include "common/text_convert.h"

#include <windows.h>

namespace {

constexpr const wchar_t* settings_key = L"SOFTWARE\\Quellmar";

}  // namespace

mirror_list_c configured_mirrors() {
    mirror_list_c mirrors = default_mirrors;
    const wchar_t* names[] = {L"Mirror1", L"Mirror2", L"Mirror3"};
    for (std::size_t i = 0; i < mirrors.size(); ++i) {
        wchar_t value[1024] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        // RegGetValueW only reads: the key is never created or written for this.
        if (RegGetValueW(HKEY_CURRENT_USER, settings_key, names[i], RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
            continue;
        std::string url = wide_to_utf8(value);
        if (normalise_mirror_url(url)) mirrors[i] = url;
    }
    return mirrors;
}
