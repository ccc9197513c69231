// What the install and restore commands start: every start is noted for the JSON they print, then
// handed to the shell, or not at all in a dry run. With `wait`, a program is run to its end
// instead, and its exit code noted, so that scripts learn what the installer did.
#pragma once

#include "common/shell_launcher.h"

#include <nlohmann/json.hpp>

class noting_launcher_c final : public shell_launcher_c {
public:
    noting_launcher_c(shell_launcher_c* shell, bool wait) : shell_(shell), wait_(wait) {}

    bool open(const std::wstring& target) override;
    bool run(const std::wstring& program, const std::wstring& parameters) override;
    launch_result_c run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring& working_folder) override;
    // Waiting, the exit code goes to the caller as well.
    launch_result_c run_as_administrator_to_end(const std::wstring& program, const std::wstring& parameters,
                                              const std::wstring& working_folder,
                                              std::optional<std::uint32_t>& exit_code) override;

    nlohmann::ordered_json starts = nlohmann::ordered_json::array();
    bool any_failed = false;  // a start failed, or a waited-for installer reported a failure

private:
    shell_launcher_c* shell_;
    bool wait_;
    std::optional<std::uint32_t> last_exit_code_;
};
