// The machine a command's scan request describes: the running Windows' facts, or values given on
// the command line (always on Linux, where the defaults describe a Windows 7 64-bit PC).
#pragma once

#include "system/machine_description.h"

#include <optional>
#include <string>

class machine_options_c {
public:
    // Takes --os CODE, --os-version N (major x 10 + minor), --build N, --machine x86|amd64|arm64,
    // --model TEXT or --lang N (advancing index past the value); false for anything else.
    bool take_option(const std::string& option, const std::string& value, std::size_t& index);
    // Fills what no option gave: from the machine's facts on Windows, defaults elsewhere.
    void complete();
    machine_description_c description() const;

private:
    std::optional<std::string> os_code_;
    std::optional<std::wstring> model_;
    std::optional<int> lang_;
    std::optional<int> os_version_number_;
    std::optional<unsigned> build_;
    std::optional<std::string> machine_;
};
