#include "cli/cli_commands.h"
#include "cli/inventory_run.h"
#include "cli/machine_options.h"
#include "service/scan_request.h"

#include <cstdio>

int request_command(const cli_arguments& arguments) {
    std::string profile_path;
    bool include_absent = false, compressed = false;
    machine_options_c machine;
    argument_reader_c reader(arguments);
    while (!reader.done()) {
        if (reader.take_switch("--include-absent")) include_absent = true;
        else if (reader.take_switch("--compressed")) compressed = true;
        else if (reader.take_value("--profile", profile_path)) continue;
        else if (!machine.take_option(reader)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    machine.complete();

    inventory_run_c run;
    if (!run_inventory(profile_path, include_absent, run)) return 1;
    if (!run.succeeded()) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed\n");
        return 1;
    }
    std::string document = build_scan_request(run.store, machine.description());
    if (!compressed) {
        std::fwrite(document.data(), 1, document.size(), stdout);
        return 0;
    }
    std::vector<unsigned char> packed;
    if (!compress_request(packed, document)) {
        std::fprintf(stderr, "vantorel-cli: the request could not be compressed\n");
        return 1;
    }
    std::fwrite(packed.data(), 1, packed.size(), stdout);
    return 0;
}
