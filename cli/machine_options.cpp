#include "cli/machine_options.h"

#include "common/text_convert.h"

#include <cstdlib>

bool machine_options_c::take_option(const std::string& option, const std::string& value, std::size_t& index) {
    if (value.empty() && option != "--model") return false;
    if (option == "--os") {
        os_code_ = value;
    } else if (option == "--model") {
        model_ = utf8_to_wide(value);
    } else if (option == "--os-version") {
        char* end = nullptr;
        long number = std::strtol(value.c_str(), &end, 10);
        if (!end || *end != '\0' || number <= 0 || number > 1000) return false;
        os_version_number_ = int(number);
    } else if (option == "--build") {
        char* end = nullptr;
        unsigned long number = std::strtoul(value.c_str(), &end, 10);
        if (!end || *end != '\0' || number == 0 || number > 0xFFFFFFFFul) return false;
        build_ = unsigned(number);
    } else if (option == "--machine") {
        if (value != "x86" && value != "amd64" && value != "arm64") return false;
        machine_ = value;
    } else if (option == "--lang") {
        char* end = nullptr;
        long number = std::strtol(value.c_str(), &end, 10);
        if (!end || *end != '\0' || number < 0) return false;
        lang_ = int(number);
    } else {
        return false;
    }
    ++index;
    return true;
}

machine_description_c machine_options_c::description() const {
    machine_description_c machine;
    machine.os_code = os_code_.value_or("");
    machine.model = model_.value_or(L"");
    machine.lang = lang_.value_or(0);
    machine.os_version_number = os_version_number_.value_or(0);
    machine.build = build_.value_or(0);
    machine.machine = machine_.value_or("");
    return machine;
}
