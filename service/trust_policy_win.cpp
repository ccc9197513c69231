#include "service/trust_policy.h"

#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "service/mirrors.h"

trust_policy_c read_trust_policy() {
    trust_policy_c policy;
    registry_key_c key;
    // The 64-bit view, where a 64-bit administrator's tools write it; ignored on 32-bit Windows.
    if (key.open(HKEY_LOCAL_MACHINE, trust_policy_key_path, KEY_READ | KEY_WOW64_64KEY) != ERROR_SUCCESS) return policy;
    for (const wchar_t* name : {L"Mirror1", L"Mirror2", L"Mirror3"}) {
        std::optional<std::wstring> value = key.read_text(name);
        if (!value) continue;
        std::string url = wide_to_utf8(*value);
        if (normalise_mirror_url(url)) policy.mirrors.push_back(url);
    }
    policy.allow_unsigned = key.read_number(L"allow_unsigned_packages").value_or(0) == 1;
    return policy;
}
