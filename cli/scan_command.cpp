#include "cli/cli_commands.h"
#include "service/install_reports.h"
#include "cli/install_environment.h"
#include "cli/inventory_run.h"
#include "cli/machine_options.h"
#include "cli/scan_result_json.h"
#include "common/text_convert.h"
#include "service/catalog_freshness.h"
#include "service/hidden_offers.h"
#include "service/installed_links.h"
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
    bool show_hidden = false;  // hidden updates stay updates, marked
    machine_options_c machine;
};

bool parse_options(const cli_arguments& arguments, scan_options_c& options) {
    argument_reader_c reader(arguments);
    std::string url;
    while (!reader.done()) {
        if (reader.take_switch("--include-absent")) options.include_absent = true;
        else if (reader.take_switch("--summary")) options.summary = true;
        else if (reader.take_switch("--allow-unsigned")) options.allow_unsigned = true;
        else if (reader.take_switch("--show-hidden")) options.show_hidden = true;
        else if (reader.take_value("--profile", options.profile_path)) continue;
        else if (reader.take_value("--answer", options.answer_path)) continue;
        else if (reader.take_value("--setup-dat", options.setup_dat_path)) continue;
        else if (reader.take_value("--mirror", url)) {
            if (!reader.failed() && !normalise_mirror_url(url)) reader.refuse("a mirror is an https:// or http:// URL: " + url);
            options.mirrors.push_back(url);
        } else if (!options.machine.take_option(reader)) {
            reader.refuse_unknown();
        }
    }
    if (reader.failed()) command_line_problem(reader.problem());
    return !reader.failed();
}

int print_outcome(const scan_options_c& options, const scan_result_c& result, const machine_description_c& machine) {
    const query_outcome_c& outcome = result.outcome;
    if (options.summary) {
        std::fputs(scan_summary_text(result).c_str(), stdout);
    } else {
        write_scan_result_json(stdout, result, machine);
        if (!result.succeeded()) std::fprintf(stderr, "vantorel-cli: %s\n", scan_failure_text(outcome).c_str());
    }
    if (outcome.items_refused > 0)
        std::fprintf(stderr, "vantorel-cli: %u offered items refused: their signature is missing or does not verify\n",
                     unsigned(outcome.items_refused));
    if (outcome.items_withdrawn > 0)
        std::fprintf(stderr, "vantorel-cli: %u offered items dropped: the catalog owner withdrew their package\n",
                     unsigned(outcome.items_withdrawn));
    if (outcome.items_unsigned > 0)
        std::fprintf(stderr, "vantorel-cli: %u unsigned offered items taken (--allow-unsigned)\n",
                     unsigned(outcome.items_unsigned));
    return result.succeeded() ? 0 : 1;
}

// The scan's one result: the enumeration's devices, now with their offers, and the outcome.
scan_result_c scan_result_of(inventory_run_c& run, query_outcome_c outcome) {
    scan_result_c result;
    result.device_total = run.progress.total.load();
    result.devices = std::make_shared<const device_store_c>(std::move(run.store));
    result.outcome = std::move(outcome);
    return result;
}

void prepare_service(const scan_options_c& options, update_service_c& service) {
    service.mirrors = with_mirror_overrides(service.mirrors, options.mirrors);
    service.trust.allow_unsigned = options.allow_unsigned;
    // The links the program recorded, as the program reads them, unless a file is named.
    const std::wstring folder = install_environment().data_folder;
    if (!options.setup_dat_path.empty()) service.installed_links_file = utf8_to_wide(options.setup_dat_path);
    else if (!folder.empty()) service.installed_links_file = installed_links_path(folder);
    // The newest catalog statement this user's program believed: shared with the window.
    if (!folder.empty()) service.catalog_record_file = catalog_record_path(folder);
    if (!folder.empty()) service.hidden_offers_file = hidden_offers_path(folder);
    // Reports are queued only with the user's consent: whatever is queued goes.
    if (!folder.empty()) service.report_queue_file = report_queue_path(folder);
    service.show_hidden = options.show_hidden;
}

}  // namespace

int scan_command(const cli_arguments& arguments) {
    scan_options_c options;
    if (!parse_options(arguments, options)) return exit_misuse;
    if (!options.answer_path.empty()) return command_line_problem("scan takes no --answer (see answer)");
    options.machine.complete();
    inventory_run_c run;
    if (!run_inventory(options.profile_path, options.include_absent, run)) return 1;
    if (!run.succeeded()) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed (last_error %d)\n", int(failure_number(run.failure)));
        return 1;
    }
    http_global_init();
    update_service_c service;
    prepare_service(options, service);
    const machine_description_c machine = options.machine.description();
    query_outcome_c outcome = query_update_server(service, run.store, machine);
    int code = print_outcome(options, scan_result_of(run, std::move(outcome)), machine);
    service.transfer.reset();
    http_global_cleanup();
    return code;
}

int answer_command(const cli_arguments& arguments) {
    scan_options_c options;
    if (!parse_options(arguments, options)) return exit_misuse;
    if (options.answer_path.empty()) return command_line_problem("answer needs --answer FILE");
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
    if (!run.succeeded()) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed (last_error %d)\n", int(failure_number(run.failure)));
        return 1;
    }
    update_service_c service;
    prepare_service(options, service);
    const machine_description_c machine = options.machine.description();
    // Answers larger than the program would ever receive are refused as the transfer refuses them.
    query_outcome_c outcome;
    if (answer.size() < std::size_t(scan_answer_capacity))
        outcome = apply_scan_answer(service, run.store, machine, answer);
    else
        outcome.failure = failure_code_c::network;
    std::string().swap(answer);  // read: the records hold what is printed
    return print_outcome(options, scan_result_of(run, std::move(outcome)), machine);
}
