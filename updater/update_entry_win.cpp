// update.exe: updates Vantorel itself. The installer puts it in the "update" folder of the
// program folder; it reads "language.ini" from the program folder and the user's language and
// mirrors from the program's registry settings, and never writes them.
#include "common/kernel_handle_win.h"
#include "common/registry_key_win.h"
#include "common/text_convert.h"
#include "i18n/language_table.h"
#include "system/settings_win.h"
#include "ui/kit/reading_direction_win.h"
#include "ui/kit/shared_fonts_win.h"
#include "updater/console_output_win.h"
#include "updater/update_flow_win.h"
#include "updater/update_options_win.h"
#include "updater/update_stage_win.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace {

// The program folder: the parent of this program's own folder.
std::wstring program_folder_above() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof path[0]));
    if (length == 0 || length >= sizeof path / sizeof path[0]) return {};
    std::wstring folder(path, length);
    for (int level = 0; level < 2; ++level) {
        const std::size_t slash = folder.find_last_of(L"\\/");
        if (slash == std::wstring::npos) return {};
        folder.resize(slash);
    }
    return folder;
}

// The user's language as the program keeps it; English when none is set.
std::wstring chosen_language() {
    registry_key_c key;
    std::optional<std::wstring> language;
    if (key.open(HKEY_CURRENT_USER, settings_key_path) == ERROR_SUCCESS) language = key.read_text(L"language");
    return language && !language->empty() ? *language : L"English";
}

void load_texts() {
    const std::wstring folder = program_folder_above();
    if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
    if (!load_languages_for(chosen_language())) load_language(L"English", true);
    apply_reading_direction();
}

struct com_apartment_c {
    com_apartment_c() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE); }
    ~com_apartment_c() { CoUninitialize(); }
};

int run(int argc, const wchar_t* const* argv) {
    const update_options_c options = parse_update_options(argc, argv);
    if (options.mode == update_mode_c::help) return print_for_scripts(update_usage_text), exit_up_to_date;
    if (options.mode == update_mode_c::misuse) {
        print_for_scripts("update.exe: " + options.problem + "\n" +
                          update_usage_text,
                          true);
        return exit_misuse;
    }
    // The elevated step of a run that is still ending: not a second update.
    if (options.mode == update_mode_c::stage_installer) {
        const std::optional<sha256_digest_c> digest = digest_from_hex(options.sha256);
        return digest ? stage_and_start_installer(options.installer, *digest) : exit_misuse;
    }
    // One updater at a time: a second one would download into the same file.
    kernel_handle_c running(CreateMutexW(nullptr, FALSE, L"Local\\Vantorel-update"));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (options.mode != update_mode_c::interactive) print_for_scripts("error another update is running\n");
        return exit_error;
    }
    com_apartment_c com;
    const bool windows = options.mode == update_mode_c::interactive;
    if (windows) {
        load_texts();
        shared_fonts().create();
    }
    const int code = run_update(options);
    if (windows) shared_fonts().release();
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        if (!argv) return exit_error;
        const int code = run(argc, argv);
        LocalFree(argv);
        return code;
    } catch (...) {
        return exit_error;
    }
}
