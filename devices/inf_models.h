// The model lines of a driver INF that apply to one platform, and the choice of the models section
// among the decorated ones a [Manufacturer] line names (NT[architecture][.major[.minor[.product
// type[.suite mask[.build]]]]]), as Windows makes it: the section for this architecture with the
// highest target version the running Windows reaches. On x86 an undecorated section (or one
// without architecture) serves when nothing decorated applies; other architectures need their
// own decoration.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct inf_platform_c {
    std::wstring architecture;  // as decorations write it: "x86", "amd64", "arm64"
    unsigned major = 0;
    unsigned minor = 0;
    unsigned build = 0;
    unsigned product_type = 1;  // 1 workstation, 2 domain controller, 3 server
};

struct inf_model_line_c {
    std::wstring manufacturer;     // the [Manufacturer] line's key, tokens substituted
    std::wstring description;      // the model line's key, tokens substituted
    std::wstring install_section;  // undecorated, as written
    std::vector<std::wstring> ids; // the hardware ID (possibly empty), then the compatible IDs
};

// The decoration to append to the models section name after a dot, empty for the undecorated
// section, or nothing when the line offers no section for this platform.
std::optional<std::wstring> choose_models_decoration(const std::vector<std::wstring>& decorations,
                                                     const inf_platform_c& platform);
