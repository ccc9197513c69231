#include "cli/cli_commands.h"
#include "common/text_convert.h"
#include "service/http_transfer.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <iostream>

int download_command(const cli_arguments& arguments) {
    if (arguments.empty()) return command_line_problem("name the URL to download");
    const std::string url = arguments[0];
    std::string target;
    std::uint32_t size = 0, resume_from = 0;
    bool has_size = false;
    std::optional<sha256_digest_c> expected;
    argument_reader_c reader(cli_arguments(arguments.begin() + 1, arguments.end()));
    while (!reader.done()) {
        if (reader.take_number("--size", 0, 0xFFFFFFFFu, size)) has_size = true;
        else if (reader.take_value("--to", target)) continue;
        else if (reader.take_number("--resume-from", 0, 0xFFFFFFFFu, resume_from)) continue;
        else if (!take_sha256_option(reader, expected)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    if (!has_size || target.empty()) return command_line_problem("download needs --size N and --to PATH");

    http_global_init();
    transfer_job_c job;
    job.expected_size = size;
    job.bytes_done = resume_from;
    // The digest follows the bytes as they are written, as a download session's does.
    sha256_c digest;
    if (expected) job.digest = &digest;
    const auto start = std::chrono::steady_clock::now();
    const bool performed = download_with_retries(url, job, utf8_to_wide(target)) == download_attempt_c::performed;
    // The download alone, without the process start: what the throughput benchmark divides by.
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool complete = performed && job.code == 0 && job.bytes_done.load() == size;
    const bool digest_matches = expected && complete && digest.bytes() == size && digest.finish() == *expected;
    nlohmann::ordered_json out = {
        {"performed", performed},
        {"expected_size", job.expected_size},
        {"bytes_done", job.bytes_done.load()},
        {"http_status", job.http_status},
        {"code", job.code},
        {"code_text", curl_easy_strerror(CURLcode(job.code))},
        {"error_text", job.failure_text},
        {"stop", job.stop.load()},
        {"last_error", failure_number(job.failure)},
        {"seconds", seconds},
    };
    if (expected) out["digest_matches"] = digest_matches;
    std::cout << out.dump(2) << "\n";
    http_global_cleanup();
    return performed && job.code == 0 && (!expected || digest_matches) ? 0 : 1;
}
