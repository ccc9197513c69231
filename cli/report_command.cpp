// vantorel-cli report on|off|show: the user's consent to send install reports, and the reports
// queued for the next scan exactly as they would be sent. "off" empties the queue too.
#include "cli/cli_commands.h"
#include "cli/install_environment.h"
#include "cli/report_consent.h"
#include "common/text_convert.h"
#include "service/install_reports.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

int report_command(const cli_arguments& arguments) {
    std::string data_folder;
    std::vector<std::string> words;
    argument_reader_c reader(arguments);
    while (!reader.done())
        if (!reader.take_value("--data-folder", data_folder)) words.push_back(reader.take_operand());
    if (reader.failed()) return command_line_problem(reader.problem());
    const std::string word = words.size() == 1 ? words.front() : std::string();
    if (word != "on" && word != "off" && word != "show") return command_line_problem("say on, off or show");
    const std::wstring folder = data_folder.empty() ? install_environment().data_folder : utf8_to_wide(data_folder);
    if (folder.empty()) return command_line_problem("--data-folder DIR is needed here");
    const std::wstring queue = report_queue_path(folder);
    if (word != "show") {
        std::string error;
        if (!set_report_consent(word == "on", error)) {
            std::fprintf(stderr, "vantorel-cli: %s\n", error.c_str());
            return 1;
        }
        // Saying no takes back what was queued, unsent.
        if (word == "off" && !clear_queued_reports(queue)) {
            std::fprintf(stderr, "vantorel-cli: the queued reports could not be removed\n");
            return 1;
        }
    }
    nlohmann::ordered_json out;
    const std::optional<bool> consent = report_consent();
    out["send_reports"] = consent ? nlohmann::ordered_json(*consent) : nlohmann::ordered_json(nullptr);
    nlohmann::ordered_json queued = nlohmann::ordered_json::array();
    for (const std::string& line : queued_reports(queue)) {
        nlohmann::ordered_json report = nlohmann::ordered_json::parse(line, nullptr, false);
        if (!report.is_discarded()) queued.push_back(std::move(report));
    }
    out["queue"] = wide_to_utf8(queue);
    out["queued"] = std::move(queued);
    std::cout << out.dump(2) << "\n";
    return 0;
}
