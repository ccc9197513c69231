// vantorel-cli hide, unhide and hidden: the offers the user chose not to see, as the window keeps
// them ("hidden.dat" in the data folder, or the file --file names).
#include "cli/cli_commands.h"
#include "cli/install_environment.h"
#include "common/text_convert.h"
#include "service/hidden_offers.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

namespace {

struct hide_options_c {
    std::string instance_path;
    std::string version;  // empty: every version
    bool all = false;
    std::wstring file;
};

// INSTANCE_PATH [--version V | --all] [--file FILE]; the instance path only where `device` is set.
bool read_hide_options(const cli_arguments& arguments, bool device, hide_options_c& options) {
    argument_reader_c reader(arguments);
    std::string file;
    while (!reader.done()) {
        if (reader.take_switch("--all")) options.all = true;
        else if (reader.take_value("--version", options.version, argument_reader_c::empty_value_c::refused)) continue;
        else if (reader.take_value("--file", file, argument_reader_c::empty_value_c::refused)) continue;
        else if (device && options.instance_path.empty() && reader.current().compare(0, 2, "--") != 0)
            options.instance_path = reader.take_operand();
        else reader.refuse_unknown();
    }
    if (!reader.failed() && device && options.instance_path.empty()) reader.refuse("name the device's instance path");
    if (!reader.failed() && device && options.all == !options.version.empty())
        reader.refuse("give either --version V (that version and older) or --all (every offer for the device)");
    if (reader.failed()) return command_line_problem(reader.problem()), false;
    const std::wstring folder = install_environment().data_folder;
    options.file = !file.empty() ? utf8_to_wide(file) : folder.empty() ? std::wstring() : hidden_offers_path(folder);
    if (options.file.empty()) return command_line_problem("no data folder on this system: name the list with --file"), false;
    return true;
}

void print_list(const hidden_offers_c& offers) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const hidden_offer_c& entry : offers.entries())
        list.push_back({{"instance_path", wide_to_utf8(entry.instance_path)},
                        {"version", entry.every_version() ? std::string("*") : wide_to_utf8(entry.version)}});
    std::cout << nlohmann::ordered_json{{"hidden", list}}.dump(2) << "\n";
}

// Reads the list, lets `change` change it and writes it back; prints the list.
template <typename Change>
int change_list(const hide_options_c& options, const Change& change) {
    std::optional<hidden_offers_c> offers = read_hidden_offers(options.file);
    if (!offers) {
        std::fprintf(stderr, "vantorel-cli: cannot read %s\n", wide_to_utf8(options.file).c_str());
        return 1;
    }
    change(*offers);
    if (!write_hidden_offers(options.file, *offers)) {
        std::fprintf(stderr, "vantorel-cli: cannot write %s\n", wide_to_utf8(options.file).c_str());
        return 1;
    }
    print_list(*offers);
    return 0;
}

}  // namespace

int hide_command(const cli_arguments& arguments) {
    hide_options_c options;
    if (!read_hide_options(arguments, true, options)) return exit_misuse;
    return change_list(options, [&](hidden_offers_c& offers) {
        offers.hide(utf8_to_wide(options.instance_path), utf8_to_wide(options.version));
    });
}

int unhide_command(const cli_arguments& arguments) {
    hide_options_c options;
    if (!read_hide_options(arguments, true, options)) return exit_misuse;
    return change_list(options, [&](hidden_offers_c& offers) {
        if (offers.unhide(utf8_to_wide(options.instance_path), utf8_to_wide(options.version)) == 0)
            std::fprintf(stderr, "vantorel-cli: nothing of that was hidden\n");
    });
}

int hidden_command(const cli_arguments& arguments) {
    hide_options_c options;
    if (!read_hide_options(arguments, false, options)) return exit_misuse;
    std::optional<hidden_offers_c> offers = read_hidden_offers(options.file);
    if (!offers) {
        std::fprintf(stderr, "vantorel-cli: cannot read %s\n", wide_to_utf8(options.file).c_str());
        return 1;
    }
    print_list(*offers);
    return 0;
}
