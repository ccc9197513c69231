// vantorel-cli proxy: which proxy a request to a URL goes through, and the user's proxy settings it
// was chosen from; and the --proxy option of the commands that make requests.
#include "cli/cli_commands.h"
#include "service/http_transfer.h"
#include "service/proxy_route.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>
#include <utility>

namespace {

const char* way_name(proxy_way_c way) {
    switch (way) {
    case proxy_way_c::direct: return "direct";
    case proxy_way_c::through: return "through";
    default: return "library default";
    }
}

}  // namespace

bool take_proxy_option(cli_arguments& arguments) {
    argument_reader_c reader(arguments);
    cli_arguments rest;
    std::string value;
    while (!reader.done()) {
        if (!reader.take_value("--proxy", value)) {
            rest.push_back(reader.take_operand());
        } else if (!reader.failed()) {
            const std::optional<proxy_route_c> route = route_from_option(value);
            if (route) set_proxy_override(route);
            else reader.refuse("--proxy takes a proxy URL (http://host:port) or \"direct\": '" + value + "'");
        }
    }
    if (reader.failed()) {
        command_line_problem(reader.problem());
        return false;
    }
    arguments = std::move(rest);
    return true;
}

int proxy_command(const cli_arguments& arguments) {
    if (arguments.size() != 1) return command_line_problem("name one URL");
    http_global_init();
    const proxy_route_c route = proxy_route_for(arguments[0]);
    nlohmann::ordered_json out = {
        {"url", arguments[0]},
        {"way", way_name(route.way)},
        {"proxy", route.proxy},
        {"source", route.source},
        {"settings", nullptr},
    };
    if (const std::optional<proxy_settings_c> settings = user_proxy_settings())
        out["settings"] = {{"auto_detect", settings->auto_detect},
                           {"auto_config_url", settings->auto_config_url},
                           {"proxy", settings->servers},
                           {"bypass", settings->bypass}};
    std::cout << out.dump(2) << "\n";
    http_global_cleanup();
    return 0;
}
