#include "updater/update_options_win.h"

#include "common/text_convert.h"

#include <cwchar>

const char* const update_usage_text =
    "usage: update.exe [--check | --yes] [--mirror URL]... [--proxy URL]\n"
    "Updates Vantorel: asks the update server for the newest release, checks that the publisher\n"
    "signed it, downloads its installer, checks its size and SHA-256, and runs it silently.\n"
    "  (no option)   asks in a window, and installs a newer version when you agree\n"
    "  --check       prints one line and changes nothing:\n"
    "                  up-to-date VERSION | update-available VERSION LINK | refused REASON | error REASON\n"
    "  --yes         installs a newer version without asking; prints up-to-date VERSION,\n"
    "                installing VERSION FILE, refused REASON or error REASON\n"
    "  --mirror URL  asks this update server instead of the configured ones (repeatable, in order)\n"
    "  --proxy URL   every request through this proxy (http://host:port; \"direct\": none) instead of\n"
    "                the system's proxy settings\n"
    "  --help        this text\n"
    "Exit status: 0 up to date, 10 a newer version (--check: offered; otherwise: its installer\n"
    "started), 2 refused (it failed verification; nothing ran), 1 error, 3 wrong command line.\n";

update_options_c parse_update_options(int argc, const wchar_t* const* argv) {
    update_options_c options;
    auto misuse = [&options](std::wstring problem) {
        options.mode = update_mode_c::misuse;
        options.problem = std::move(problem);
        return options;
    };
    bool chosen = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            options.mode = update_mode_c::help;
            return options;
        }
        if (argument == L"--check" || argument == L"--yes") {
            if (chosen) return misuse(L"--check and --yes exclude each other");
            chosen = true;
            options.mode = argument == L"--check" ? update_mode_c::check : update_mode_c::yes;
        } else if (argument == L"--mirror") {
            if (i + 1 >= argc) return misuse(L"--mirror needs a URL");
            options.mirrors.push_back(wide_to_utf8(argv[++i]));
        } else if (argument == L"--proxy") {
            if (i + 1 >= argc) return misuse(L"--proxy needs a URL");
            options.proxy = route_from_option(wide_to_utf8(argv[++i]));
            if (!options.proxy) return misuse(L"--proxy takes a proxy URL or \"direct\": " + std::wstring(argv[i]));
        } else {
            return misuse(L"unknown argument " + argument);
        }
    }
    return options;
}
