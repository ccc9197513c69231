#include "devices/inf_models_win.h"

#include <vector>

namespace {

using get_version_c = LONG(WINAPI*)(OSVERSIONINFOEXW*);

std::wstring architecture_name(WORD architecture) {
    switch (architecture) {
        case PROCESSOR_ARCHITECTURE_AMD64: return L"amd64";
        case PROCESSOR_ARCHITECTURE_IA64: return L"ia64";
        case PROCESSOR_ARCHITECTURE_ARM: return L"arm";
        case 12: return L"arm64";  // PROCESSOR_ARCHITECTURE_ARM64
        default: return L"x86";
    }
}

}  // namespace

inf_platform_c running_platform() {
    inf_platform_c platform;
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    platform.architecture = architecture_name(system.wProcessorArchitecture);
    // RtlGetVersion tells the real version whatever the program's manifest says.
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    auto get_version = reinterpret_cast<get_version_c>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (get_version && get_version(&version) == 0) {
        platform.major = version.dwMajorVersion;
        platform.minor = version.dwMinorVersion;
        platform.build = version.dwBuildNumber;
        platform.product_type = version.wProductType;
    }
    return platform;
}

std::optional<std::wstring> read_inf_field(INFCONTEXT& line, DWORD index) {
    std::vector<wchar_t> buffer(256, L'\0');
    DWORD required = 0;
    if (!SetupGetStringFieldW(&line, index, buffer.data(), DWORD(buffer.size()), &required)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || required <= buffer.size()) return std::nullopt;
        buffer.assign(required, L'\0');
        if (!SetupGetStringFieldW(&line, index, buffer.data(), DWORD(buffer.size()), nullptr)) return std::nullopt;
    }
    return std::wstring(buffer.data());
}

std::optional<std::wstring> read_inf_value(HINF inf, const wchar_t* section, const wchar_t* key) {
    INFCONTEXT line{};
    if (!SetupFindFirstLineW(inf, section, key, &line)) return std::nullopt;
    return read_inf_field(line, 1);
}

bool read_platform_models(HINF inf, const inf_platform_c& platform, std::vector<inf_model_line_c>& lines) {
    lines.clear();
    INFCONTEXT manufacturer{};
    if (!SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &manufacturer)) return false;
    do {
        auto models = read_inf_field(manufacturer, 1);
        if (!models || models->empty()) continue;
        std::wstring name = read_inf_field(manufacturer, 0).value_or(L"");
        if (name.empty()) name = *models;
        std::vector<std::wstring> decorations;
        for (DWORD i = 2; i <= SetupGetFieldCount(&manufacturer); ++i)
            if (auto decoration = read_inf_field(manufacturer, i)) decorations.push_back(*decoration);
        auto decoration = choose_models_decoration(decorations, platform);
        if (!decoration) continue;
        std::wstring section = decoration->empty() ? *models : *models + L"." + *decoration;
        INFCONTEXT model{};
        if (!SetupFindFirstLineW(inf, section.c_str(), nullptr, &model)) continue;
        do {
            inf_model_line_c line;
            line.manufacturer = name;
            line.description = read_inf_field(model, 0).value_or(L"");
            line.install_section = read_inf_field(model, 1).value_or(L"");
            for (DWORD i = 2; i <= SetupGetFieldCount(&model); ++i) line.ids.push_back(read_inf_field(model, i).value_or(L""));
            if (!line.install_section.empty() && !line.ids.empty()) lines.push_back(std::move(line));
        } while (SetupFindNextLine(&model, &model));
    } while (SetupFindNextLine(&manufacturer, &manufacturer));
    return true;
}

std::wstring read_catalog_name(HINF inf, const inf_platform_c& platform) {
    std::wstring decorated = L"CatalogFile.NT" + platform.architecture;
    for (const wchar_t* key : {decorated.c_str(), L"CatalogFile.NT", L"CatalogFile"})
        if (auto name = read_inf_value(inf, L"Version", key); name && !name->empty()) return *name;
    return std::wstring();
}

std::optional<std::wstring> actual_install_section(HINF inf, const std::wstring& section,
                                                   const inf_platform_c& platform, bool& nt) {
    const std::wstring candidates[] = {section + L".NT" + platform.architecture, section + L".NT", section};
    for (std::size_t i = 0; i < 3; ++i) {
        if (SetupGetLineCountW(inf, candidates[i].c_str()) < 0) continue;
        nt = i < 2;
        return candidates[i];
    }
    return std::nullopt;
}
