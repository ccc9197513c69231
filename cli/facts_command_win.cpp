#include "system/machine_facts.h"
#include "system/wmi_facts.h"
#include "cli/cli_commands.h"
#include "cli/com_apartment_win.h"
#include "common/text_convert.h"
#include "common/failure_code.h"

#include <nlohmann/json.hpp>

#include <objbase.h>

#include <cstdio>
#include <iostream>

namespace {

nlohmann::ordered_json basic_facts_json() {
    const os_version_c& version = os_version();
    return {
        {"os_version",
         {{"major", version.major},
          {"minor", version.minor},
          {"platform_id", version.platform_id},
          {"build", version.build},
          {"product_type", version.product_type},
          {"server_r2", version.server_r2}}},
        {"os_code", os_code()},
        {"os_version_number", os_version_number()},
        {"is_64bit_windows", is_64bit_windows()},
        {"machine", machine_name(system_machine())},
        {"oem_code_page", oem_code_page()},
        {"program_path", wide_to_utf8(program_path())},
        {"program_folder", wide_to_utf8(program_folder())},
    };
}

nlohmann::ordered_json wmi_facts_json(int status) {
    const system_facts_c& facts = system_facts();
    return {
        {"status", status},
        {"model", wide_to_utf8(facts.model)},
        {"operating_system", wide_to_utf8(facts.operating_system)},
        {"processor", wide_to_utf8(facts.processor)},
        {"memory", wide_to_utf8(facts.memory)},
        {"display", wide_to_utf8(facts.display)},
        {"sound", wide_to_utf8(facts.sound)},
        {"storage", wide_to_utf8(facts.storage)},
    };
}

}  // namespace

int facts_command(const cli_arguments& arguments) {
    if (!arguments.empty()) return command_line_problem("facts takes no arguments");
    com_apartment_c apartment;
    nlohmann::ordered_json out;
    basic_facts_problem_c problem = basic_facts_problem_c::none;
    if (!collect_basic_facts(&problem)) {
        const failure_code_c failure =
            problem == basic_facts_problem_c::os_version ? failure_code_c::os_version : failure_code_c::power_status;
        out = {{"error", "basic machine facts could not be read"}, {"last_error", failure_number(failure)}};
        std::cout << out.dump(2) << "\n";
        return 1;
    }
    out = basic_facts_json();
    const bool wmi_reached = collect_wmi_facts();
    out["wmi"] = wmi_facts_json(wmi_reached ? 0 : -1);
    out["last_error"] = failure_number(failure_code_c::none);
    std::cout << out.dump(2) << "\n";
    return wmi_reached ? 0 : 1;
}
