#include "devices/inf_models.h"

#include "common/inf_values.h"
#include "common/text_compare.h"

#include <iterator>
#include <tuple>

namespace {

struct target_c {
    std::wstring architecture;
    unsigned major = 0, minor = 0, product_type = 0, suite_mask = 0, build = 0;
};

const wchar_t* const architectures[] = {L"x86", L"amd64", L"ia64", L"arm", L"arm64"};

// One number field (common/inf_values.h); an empty field is 0.
bool read_number(const std::wstring& field, unsigned& value) {
    value = 0;
    if (field.empty()) return true;
    std::optional<std::uint32_t> number = read_inf_number(field);
    if (!number) return false;
    value = *number;
    return true;
}

bool parse_target(const std::wstring& decoration, target_c& target) {
    if (decoration.size() < 2 || !equal_ignoring_case(decoration.substr(0, 2), std::wstring(L"NT"))) return false;
    std::size_t dot = decoration.find(L'.', 2);
    std::wstring architecture = decoration.substr(2, dot == std::wstring::npos ? std::wstring::npos : dot - 2);
    if (!architecture.empty()) {
        bool known = false;
        for (const wchar_t* name : architectures)
            if (equal_ignoring_case(architecture, std::wstring(name))) {
                target.architecture = name;
                known = true;
            }
        if (!known) return false;
    }
    unsigned* fields[] = {&target.major, &target.minor, &target.product_type, &target.suite_mask, &target.build};
    std::size_t index = 0;
    while (dot != std::wstring::npos) {
        if (index == std::size(fields)) return false;
        std::size_t next = decoration.find(L'.', dot + 1);
        std::wstring field = decoration.substr(dot + 1, next == std::wstring::npos ? std::wstring::npos : next - dot - 1);
        if (!read_number(field, *fields[index])) return false;
        ++index;
        dot = next;
    }
    return true;
}

bool applies(const target_c& target, const inf_platform_c& platform) {
    if (target.architecture.empty() ? platform.architecture != L"x86" : target.architecture != platform.architecture)
        return false;
    if (std::make_tuple(target.major, target.minor, target.build) >
        std::make_tuple(platform.major, platform.minor, platform.build))
        return false;
    if (target.product_type != 0 && target.product_type != platform.product_type) return false;
    // The suites of the running Windows are not known here: a section for some suites only is
    // left out.
    return target.suite_mask == 0;
}

// Better: a named architecture, then a higher target version, then a named product type.
bool better(const target_c& a, const target_c& b) {
    auto key = [](const target_c& t) {
        return std::make_tuple(!t.architecture.empty(), t.major, t.minor, t.build, t.product_type != 0);
    };
    return key(a) > key(b);
}

}  // namespace

std::optional<std::wstring> choose_models_decoration(const std::vector<std::wstring>& decorations,
                                                     const inf_platform_c& platform) {
    std::optional<std::wstring> chosen;
    target_c best;
    for (const auto& decoration : decorations) {
        target_c target;
        if (!parse_target(decoration, target) || !applies(target, platform)) continue;
        if (!chosen || better(target, best)) {
            chosen = decoration;
            best = target;
        }
    }
    if (!chosen && platform.architecture == L"x86") chosen = std::wstring();
    return chosen;
}
