#include "cli/cli_commands.h"
#include "cli/machine_options.h"
#include "common/version.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct command_entry_c {
    const char* name;
    int (*run)(const cli_arguments&);
    std::string usage;  // what --help and a wrong command line print, after "usage: vantorel-cli "
};

// Continuation lines of a usage line start under its description.
const std::string indent(29, ' ');

const std::vector<command_entry_c>& commands() {
    const std::string machine = machine_options_usage;
    static const std::vector<command_entry_c> table = {
        {"facts", facts_command, "facts                      machine facts (OS code, 64-bit, WMI sidebar facts)"},
        {"inventory", inventory_command,
         "inventory [--include-absent] [--profile FILE] [--summary]\n" + indent +
             "the device inventory (SetupAPI, or a simulated PC profile)"},
        {"request", request_command,
         "request [--profile FILE] [--include-absent] [--compressed]\n" + indent + machine + "\n" + indent +
             "the scan request document (or its zlib stream) for the inventory"},
        {"scan", scan_command,
         "scan [--mirror URL]... [--profile FILE] [--include-absent] [--setup-dat FILE] [--summary]\n" + indent +
             "[--allow-unsigned] [--show-hidden] [--proxy URL]\n" + indent + machine + "\n" + indent +
             "enumerate, ask the update server, choose the signed offers (hidden ones left out)"},
        {"answer", answer_command,
         "answer --profile FILE --answer FILE [--setup-dat FILE] [--include-absent] [--summary]\n" + indent + machine +
             "\n" + indent + "match a saved answer offline"},
        {"download", download_command,
         "download URL --size N --to PATH [--resume-from N] [--sha256 HEX] [--proxy URL]\n" + indent +
             "downloads a package with resume and retries; prints the job"},
        {"fetch", fetch_command,
         "fetch LINK --size N [--sha256 HEX] --folder DIR [--proxy URL]\n" + indent +
             "downloads a package as the program does: a session in DIR that resumes\n" + indent +
             "what is there; Ctrl+C pauses; prints the final state"},
        {"install", install_command,
         "install PACKAGE [--inf PATH]... [--folder DIR] [--sha256 HEX] [--wait | --dry-run] [--no-restore-point]\n" + indent +
             "unpacks a package as the program does; prints and starts the installer\n" + indent +
             "(--wait: silently, to its end, with its result)"},
        {"backup", backup_command,
         "backup (--all | --device INSTANCE_PATH...) [--folder DIR] [--profile FILE --store DIR --inf-folder DIR]\n" +
             indent + "archives driver packages from the driver store and records them in the index"},
        {"backups", backups_command,
         "backups [--folder DIR] [--profile FILE --store DIR --inf-folder DIR]\n" + indent +
             "the backup index, checked against the archives and devices"},
        {"restore", restore_command,
         "restore ARCHIVE_NAME [--folder DIR] [--wait | --dry-run] [--no-restore-point]\n" + indent +
             "unpacks a backup and starts the installer, forced"},
        {"undo", undo_command,
         "undo INSTANCE_PATH [--folder DIR] [--data-folder DIR] [--dry-run] [--no-restore-point]\n" + indent +
             "puts back the driver the device ran before the program updated it (its backup,\n" + indent +
             "else Windows' rollback), waited for; the update is then hidden for the device"},
        {"report", report_command,
         "report on|off|show [--data-folder DIR]\n" + indent +
             "whether install reports are sent (the program's setting; off also empties the\n" + indent +
             "queue), and the queued reports exactly as the next scan sends them"},
        {"hide", hide_command,
         "hide INSTANCE_PATH (--version V | --all) [--file FILE]\n" + indent +
             "no longer offers that version (and older ones) for the device, or nothing at all"},
        {"unhide", unhide_command,
         "unhide INSTANCE_PATH (--version V | --all) [--file FILE]\n" + indent +
             "offers again what was hidden for the device (--all: everything)"},
        {"hidden", hidden_command, "hidden [--file FILE]       the offers hidden, as the window and scan leave them out"},
        {"proxy", proxy_command, "proxy URL [--proxy URL]    the proxy a request to URL goes through, and the user's proxy settings"},
        {"sha256", sha256_command, "sha256 FILE...             each file's SHA-256, and how fast it was read and hashed"},
        {"settings", settings_command, "settings                   the settings as the program loads them (Windows builds)"},
        {"schedule", schedule_command,
         "schedule [show|on|off] [--name NAME]   the weekly scan's work item (Windows builds);\n" + indent +
             "NAME: the task \"\\NAME\" (Task Scheduler 2.0) and the work item NAME (1.0)\n" + indent +
             "instead of the current user's task and the item \"Vantorel\""},
    };
    return table;
}

void print_usage(std::FILE* to) {
    std::fprintf(to, "usage: vantorel-cli COMMAND [OPTIONS]\n"
                     "       vantorel-cli --help | --version | COMMAND --help\n"
                     "Each command prints JSON on standard output; exit 0 on success, 1 on failure (one line on\n"
                     "standard error says why), 2 for a command line it cannot use; fetch exits 130 when paused.\n"
                     "commands:\n");
    for (const auto& command : commands()) std::fprintf(to, "  %s\n", command.usage.c_str());
    std::fprintf(to, "--proxy URL (scan, download, fetch, proxy): every request through this proxy (\"direct\": none)\n"
                     "instead of the system's proxy settings.\n");
}

void print_command_usage(std::FILE* to, const command_entry_c& command) {
    std::fprintf(to, "usage: vantorel-cli %s\n", command.usage.c_str());
}

// The commands that make requests, and so take --proxy.
bool takes_proxy(const std::string& name) {
    return name == "scan" || name == "download" || name == "fetch" || name == "proxy";
}

bool asks_for_help(const std::string& argument) { return argument == "--help" || argument == "-h"; }

}  // namespace

int command_line_problem(const std::string& problem) {
    std::fprintf(stderr, "vantorel-cli: %s\n", problem.c_str());
    return exit_misuse;
}

int run_cli(const cli_arguments& arguments) {
    if (arguments.empty()) {
        print_usage(stderr);
        return exit_misuse;
    }
    if (asks_for_help(arguments[0]) || arguments[0] == "help") {
        print_usage(stdout);
        return 0;
    }
    if (arguments[0] == "--version") {
        std::printf("vantorel-cli %s\n", VANTOREL_VERSION);
        return 0;
    }
    for (const auto& command : commands()) {
        if (arguments[0] != command.name) continue;
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            if (asks_for_help(arguments[i])) {
                print_command_usage(stdout, command);
                return 0;
            }
        }
        cli_arguments rest(arguments.begin() + 1, arguments.end());
        int code = takes_proxy(command.name) && !take_proxy_option(rest) ? exit_misuse : command.run(rest);
        if (code == exit_misuse) print_command_usage(stderr, command);
        return code;
    }
    std::fprintf(stderr, "vantorel-cli: unknown command '%s'\n", arguments[0].c_str());
    print_usage(stderr);
    return exit_misuse;
}
