#include "cli/cli_commands.h"
#include "cli/inventory_run.h"
#include "cli/machine_description.h"
#include "cli/scan_result_json.h"
#include "common/text_convert.h"
#include "common/last_error.h"
#include "service/update_service.h"

#include <cstdio>
#include <fstream>

namespace {

struct scan_options_c {
    std::string profile_path;
    std::string answer_path;
    std::string setup_dat_path;
    std::vector<std::string> mirrors;
    bool include_absent = false;
    bool summary = false;
    bool allow_unsigned = false;
    machine_description_c machine;
};

int scan_usage() {
    std::fprintf(stderr,
                 "usage: vantorel-cli scan [--mirror URL]... [--profile FILE] [--include-absent] [--setup-dat FILE]\n"
                 "                         [--os CODE] [--os-version N] [--build N] [--machine M] [--model TEXT] [--lang N] [--summary]\n"
                 "                         [--allow-unsigned]\n"
                 "       vantorel-cli answer --profile FILE --answer FILE --os-version N [--setup-dat FILE] [--summary]\n");
    return 2;
}

bool parse_options(const cli_arguments& arguments, scan_options_c& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool has_value = i + 1 < arguments.size();
        if (argument == "--include-absent") {
            options.include_absent = true;
        } else if (argument == "--summary") {
            options.summary = true;
        } else if (argument == "--allow-unsigned") {
            options.allow_unsigned = true;
        } else if (argument == "--profile" && has_value) {
            options.profile_path = arguments[++i];
        } else if (argument == "--answer" && has_value) {
            options.answer_path = arguments[++i];
        } else if (argument == "--setup-dat" && has_value) {
            options.setup_dat_path = arguments[++i];
        } else if (argument == "--mirror" && has_value) {
            std::string url = arguments[++i];
            if (!normalise_mirror_url(url)) {
                std::fprintf(stderr, "vantorel-cli: a mirror is an https:// or http:// URL: %s\n", url.c_str());
                return false;
            }
            options.mirrors.push_back(url);
        } else if (!options.machine.take_option(argument, has_value ? arguments[i + 1] : std::string(), i)) {
            return false;
        }
    }
    return true;
}

int print_outcome(const scan_options_c& options, const device_store_c& store, const scan_query_c& query, bool succeeded) {
    if (options.summary) {
        std::fputs(scan_summary_text(store, query, succeeded).c_str(), stdout);
    } else {
        std::fputs(scan_result_json(store, query, succeeded).dump(1).c_str(), stdout);
        std::fputs("\n", stdout);
        if (!succeeded) std::fprintf(stderr, "vantorel-cli: %s\n", scan_failure_text(query).c_str());
    }
    if (query.items_refused > 0)
        std::fprintf(stderr, "vantorel-cli: %u offered items refused: their signature is missing or does not verify\n",
                     unsigned(query.items_refused));
    if (query.items_unsigned > 0)
        std::fprintf(stderr, "vantorel-cli: %u unsigned offered items taken (--allow-unsigned)\n",
                     unsigned(query.items_unsigned));
    return succeeded ? 0 : 1;
}

void prepare_service(const scan_options_c& options, inventory_run_c& run, update_service_c& service) {
    service.store = &run.store;
    service.mirrors = with_mirror_overrides(service.mirrors, options.mirrors);
    service.trust.allow_unsigned = options.allow_unsigned;
    if (!options.setup_dat_path.empty()) service.installed_links_file = utf8_to_wide(options.setup_dat_path);
}

}  // namespace

int scan_command(const cli_arguments& arguments) {
    scan_options_c options;
    if (!parse_options(arguments, options) || !options.answer_path.empty()) return scan_usage();
    options.machine.complete();
    inventory_run_c run;
    if (!run_inventory(options.profile_path, options.include_absent, run)) return 1;
    if (!run.succeeded) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed (last_error %d)\n", int(last_error()));
        return 1;
    }
    http_global_init();
    update_service_c service;
    prepare_service(options, run, service);
    scan_query_c query = options.machine.query();
    set_last_error(0);
    bool succeeded = query_update_server(service, query);
    int code = print_outcome(options, run.store, query, succeeded);
    service.transfer.reset();
    http_global_cleanup();
    return code;
}

int answer_command(const cli_arguments& arguments) {
    scan_options_c options;
    if (!parse_options(arguments, options) || options.answer_path.empty()) return scan_usage();
    options.machine.complete();
    std::ifstream file(std::filesystem::u8path(options.answer_path), std::ios::binary | std::ios::ate);
    const std::streamoff size = file ? std::streamoff(file.tellg()) : -1;
    if (size < 0) {
        std::fprintf(stderr, "vantorel-cli: cannot read %s\n", options.answer_path.c_str());
        return 1;
    }
    // Read at its size, as the transfer receives it, rather than grown as it arrives.
    std::string answer(std::size_t(size), '\0');
    file.seekg(0);
    if (!file.read(answer.data(), std::streamsize(answer.size()))) {
        std::fprintf(stderr, "vantorel-cli: cannot read %s\n", options.answer_path.c_str());
        return 1;
    }
    inventory_run_c run;
    if (!run_inventory(options.profile_path, options.include_absent, run)) return 1;
    if (!run.succeeded) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed (last_error %d)\n", int(last_error()));
        return 1;
    }
    update_service_c service;
    prepare_service(options, run, service);
    scan_query_c query = options.machine.query();
    set_last_error(0);
    // Answers larger than the program would ever receive are refused as the transfer refuses them.
    bool succeeded = answer.size() < std::size_t(scan_answer_capacity) && apply_scan_answer(service, query, answer);
    if (!succeeded && last_error() == 0) set_last_error(error_network);
    return print_outcome(options, run.store, query, succeeded);
}
