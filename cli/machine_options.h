// The machine a command's scan request describes: the running Windows' facts, or values given on
// the command line (always on Linux, where the defaults describe a Windows 7 64-bit PC).
#pragma once

#include "common/argument_reader.h"
#include "system/machine_description.h"

#include <optional>
#include <string>

// The options' forms, for the usage of the commands that take them.
constexpr const char* machine_options_usage =
    "[--os CODE] [--os-version N] [--build N] [--machine x86|amd64|arm64] [--model TEXT] [--lang N]"
    " [--channel stable|testing]";

class machine_options_c {
public:
    // Takes --os CODE, --os-version N (major x 10 + minor), --build N, --machine x86|amd64|arm64,
    // --model TEXT, --lang N or --channel stable|testing when one is at hand (true), with the
    // reader's problem when its value is wrong.
    bool take_option(argument_reader_c& reader);
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
    std::optional<bool> testing_channel_;
};
