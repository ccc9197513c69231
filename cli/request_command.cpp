#include "cli/cli_commands.h"
#include "cli/inventory_run.h"
#include "cli/machine_description.h"
#include "service/scan_request.h"

#include <cstdio>
#include <cstdlib>

namespace {

int request_usage() {
    std::fprintf(stderr,
                 "usage: vantorel-cli request [--profile FILE] [--include-absent] [--compressed] [--os CODE]\n"
                 "                            [--model TEXT] [--lang N]\n");
    return 2;
}

}  // namespace

int request_command(const cli_arguments& arguments) {
    std::string profile_path;
    bool include_absent = false, compressed = false;
    machine_description_c machine;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        bool has_value = i + 1 < arguments.size();
        if (argument == "--include-absent") {
            include_absent = true;
        } else if (argument == "--compressed") {
            compressed = true;
        } else if (argument == "--profile" && has_value) {
            profile_path = arguments[++i];
        } else if (!machine.take_option(argument, has_value ? arguments[i + 1] : std::string(), i)) {
            return request_usage();
        }
    }
    machine.complete();

    inventory_run_c run;
    if (!run_inventory(profile_path, include_absent, run)) return 1;
    if (!run.succeeded) {
        std::fprintf(stderr, "vantorel-cli: the device enumeration failed\n");
        return 1;
    }
    scan_query_c query = machine.query();
    std::string document = build_scan_request(run.store, query);
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
