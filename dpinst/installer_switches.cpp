#include "dpinst/installer_options.h"

#include "common/text_compare.h"

#include <algorithm>

namespace {

enum class switch_kind_c { flag, value, accepted, unsupported };

struct switch_c {
    const wchar_t* name;
    switch_kind_c kind;
    bool installer_options_c::*flag;
    std::wstring installer_options_c::*value;
};

const switch_c switches[] = {
    {L"S", switch_kind_c::flag, &installer_options_c::silent, nullptr},
    {L"Q", switch_kind_c::flag, &installer_options_c::silent, nullptr},
    {L"SW", switch_kind_c::flag, &installer_options_c::no_wizard, nullptr},
    {L"SA", switch_kind_c::flag, &installer_options_c::no_program_entry, nullptr},
    {L"SH", switch_kind_c::flag, &installer_options_c::present_devices_only, nullptr},
    {L"F", switch_kind_c::flag, &installer_options_c::force, nullptr},
    {L"P", switch_kind_c::flag, &installer_options_c::prompt_if_not_better, nullptr},
    {L"LM", switch_kind_c::flag, &installer_options_c::legacy_mode, nullptr},
    {L"C", switch_kind_c::flag, &installer_options_c::console_log, nullptr},
    {L"?", switch_kind_c::flag, &installer_options_c::show_help, nullptr},
    {L"H", switch_kind_c::flag, &installer_options_c::show_help, nullptr},
    {L"HELP", switch_kind_c::flag, &installer_options_c::show_help, nullptr},
    {L"PATH", switch_kind_c::value, nullptr, &installer_options_c::search_path},
    {L"U", switch_kind_c::value, nullptr, &installer_options_c::uninstall_inf},
    {L"LOGTITLE", switch_kind_c::value, nullptr, &installer_options_c::log_title},
    {L"SE", switch_kind_c::accepted, nullptr, nullptr},
    {L"EL", switch_kind_c::accepted, nullptr, nullptr},
    {L"L", switch_kind_c::value, nullptr, &installer_options_c::language},
    {L"STAGE", switch_kind_c::value, nullptr, &installer_options_c::stage_package},
    {L"SHA256", switch_kind_c::value, nullptr, &installer_options_c::stage_sha256},
    {L"RUN", switch_kind_c::value, nullptr, &installer_options_c::stage_run},
    {L"PROGRAM", switch_kind_c::flag, &installer_options_c::stage_program, nullptr},
    {L"RESTOREPOINT", switch_kind_c::value, nullptr, &installer_options_c::restore_point},
    {L"ROLLBACK", switch_kind_c::value, nullptr, &installer_options_c::rollback_device},
    // All-or-nothing installs and deleting driver files at removal are not offered.
    {L"A", switch_kind_c::unsupported, nullptr, nullptr},
    {L"D", switch_kind_c::unsupported, nullptr, nullptr},
};

const switch_c* find_switch(const std::wstring& name) {
    for (const auto& entry : switches)
        if (equal_ignoring_case(name, std::wstring(entry.name))) return &entry;
    return nullptr;
}

}  // namespace

bool parse_installer_switches(const std::vector<std::wstring>& arguments, installer_options_c& options,
                              std::wstring& error) {
    options = installer_options_c{};
    std::vector<std::wstring installer_options_c::*> given;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) {
            error = L"Unexpected argument: " + argument;
            return false;
        }
        const switch_c* entry = find_switch(argument.substr(1));
        if (!entry) {
            error = L"Unknown switch: " + argument;
            return false;
        }
        switch (entry->kind) {
            case switch_kind_c::flag:
                options.*(entry->flag) = true;
                break;
            case switch_kind_c::unsupported:
                error = L"Switch not supported by this installer: " + argument;
                return false;
            case switch_kind_c::accepted:
                break;
            case switch_kind_c::value:
                if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                    error = L"Missing value after " + argument;
                    return false;
                }
                if (std::find(given.begin(), given.end(), entry->value) != given.end()) {
                    error = L"Switch given twice: " + argument;
                    return false;
                }
                given.push_back(entry->value);
                options.*(entry->value) = arguments[++i];
                break;
        }
    }
    if (!options.uninstall_inf.empty() && (!options.search_path.empty() || !options.stage_package.empty())) {
        error = L"/U removes one package and takes no /PATH or /STAGE";
        return false;
    }
    if (!options.rollback_device.empty() &&
        (!options.search_path.empty() || !options.stage_package.empty() || !options.uninstall_inf.empty())) {
        error = L"/ROLLBACK puts back one device's previous driver and takes no /PATH, /STAGE or /U";
        return false;
    }
    if (options.stage_package.empty() &&
        (!options.stage_sha256.empty() || !options.stage_run.empty() || options.stage_program)) {
        error = L"/SHA256, /RUN and /PROGRAM name what to do with the package /STAGE names";
        return false;
    }
    if (int(!options.search_path.empty()) + int(!options.stage_run.empty()) + int(options.stage_program) > 1) {
        error = L"/PATH, /RUN and /PROGRAM each say what to do with the package: one of them at most";
        return false;
    }
    return true;
}

const wchar_t* installer_usage_text() {
    return L"Installs the driver packages found in a folder, or removes one.\n"
           L"\n"
           L"DPInst [/PATH folder] [/S | /Q] [/SW] [/SA] [/SH] [/F] [/P] [/LM] [/C] [/LogTitle title]\n"
           L"DPInst /U inf [/S | /Q] [/C]\n"
           L"DPInst /ROLLBACK device [/S | /Q] [/C] [/RESTOREPOINT text]\n"
           L"DPInst /STAGE package [/SHA256 hex] [/PATH folder | /RUN program | /PROGRAM] [switches]\n"
           L"\n"
           L"  /PATH folder  search this folder (default: the current folder)\n"
           L"  /U inf        remove the published driver package inf\n"
           L"  /ROLLBACK id  put back the driver the device ran before its last update (Windows'\n"
           L"                own rollback); counted as one package installed or failed\n"
           L"  /S, /Q        silent: no window\n"
           L"  /SW           no installer window\n"
           L"  /SA           no entry under the installed programs\n"
           L"  /SH           only packages that match a device present now\n"
           L"  /F            install even when not better than the installed driver\n"
           L"  /P            ask before installing a package that is not better\n"
           L"  /LM           accept packages without a catalog\n"
           L"  /C            log to the console as well\n"
           L"  /STAGE file   work on a copy of the package in a protected folder; /PATH is inside it\n"
           L"  /SHA256 hex   refuse the copy unless it has this digest\n"
           L"  /RUN file     run this program of the package instead, and wait for it\n"
           L"  /PROGRAM      run the package itself (a program) instead, and wait for it\n"
           L"  /RESTOREPOINT text  make a System Restore point first; when none can be made, the\n"
           L"                exit code's top byte has 0x10 (System Restore off) or 0x20 (refused)\n";
}
