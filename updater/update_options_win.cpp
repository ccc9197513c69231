#include "updater/update_options_win.h"

#include "common/argument_reader.h"
#include "common/text_convert.h"

#include <utility>
#include <vector>

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
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(wide_to_utf8(argv[i]));
    argument_reader_c reader(std::move(arguments));
    bool chosen = false;
    auto choose = [&](update_mode_c mode) {
        if (chosen) reader.refuse("--check, --yes and --stage-installer exclude each other");
        options.mode = mode;
        chosen = true;
    };
    std::string text;
    while (!reader.done()) {
        if (reader.take_switch("--help") || reader.take_switch("-h") || reader.take_switch("/?")) {
            options.mode = update_mode_c::help;
            return options;
        }
        if (reader.take_switch("--check")) {
            choose(update_mode_c::check);
        } else if (reader.take_switch("--yes")) {
            choose(update_mode_c::yes);
        } else if (reader.take_value("--mirror", text)) {
            options.mirrors.push_back(text);
        } else if (reader.take_value("--stage-installer", text)) {
            choose(update_mode_c::stage_installer);
            options.installer = utf8_to_wide(text);
        } else if (reader.take_value("--sha256", text)) {
            options.sha256 = text;
        } else if (reader.take_value("--proxy", text)) {
            if (!reader.failed() && !(options.proxy = route_from_option(text)))
                reader.refuse("--proxy takes a proxy URL or \"direct\": " + text);
        } else {
            reader.refuse_unknown();
        }
    }
    if (!reader.failed() && (options.mode == update_mode_c::stage_installer) != !options.sha256.empty())
        reader.refuse("--stage-installer and --sha256 go together");
    if (reader.failed()) {
        options.mode = update_mode_c::misuse;
        options.problem = reader.problem();
    }
    return options;
}
