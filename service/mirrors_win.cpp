#include "service/mirrors.h"

#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "service/trust_policy.h"
#include "system/settings_win.h"

mirror_list_c configured_mirrors() {
    // The machine's policy first: where it names mirrors, the user's settings do not move them.
    const trust_policy_c policy = read_trust_policy();
    if (!policy.mirrors.empty()) return with_mirror_overrides(default_mirrors, policy.mirrors);
    // The usable values in order; they take the places as --mirror options do, so that a
    // configured test server is never followed by a default host.
    std::vector<std::string> configured;
    registry_key_c key;
    // Opened for reading only: the key is never created or written for this.
    if (key.open(HKEY_CURRENT_USER, settings_key_path) == ERROR_SUCCESS) {
        for (const wchar_t* name : {L"Mirror1", L"Mirror2", L"Mirror3"}) {
            std::optional<std::wstring> value = key.read_text(name);
            if (!value) continue;
            std::string url = wide_to_utf8(*value);
            if (normalise_mirror_url(url)) configured.push_back(url);
        }
    }
    return with_mirror_overrides(default_mirrors, configured);
}
