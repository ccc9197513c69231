#include "cli/cli_commands.h"
#include "common/sha256.h"
#include "common/text_convert.h"
#include "service/http_transfer.h"
#include "common/last_error.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

int download_usage() {
    std::fprintf(stderr, "usage: vantorel-cli download URL --size N --to PATH [--resume-from N] [--sha256 HEX]\n");
    return 2;
}

bool parse_size(const std::string& text, std::uint32_t& out) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || !end || *end != '\0' || value > 0xFFFFFFFFull) return false;
    out = std::uint32_t(value);
    return true;
}

}  // namespace

int download_command(const cli_arguments& arguments) {
    if (arguments.empty()) return download_usage();
    const std::string url = arguments[0];
    std::string target;
    std::uint32_t size = 0, resume_from = 0;
    bool has_size = false;
    std::optional<sha256_digest_c> expected;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        bool has_value = i + 1 < arguments.size();
        if (arguments[i] == "--size" && has_value) {
            if (!parse_size(arguments[++i], size)) return download_usage();
            has_size = true;
        } else if (arguments[i] == "--to" && has_value) {
            target = arguments[++i];
        } else if (arguments[i] == "--sha256" && has_value) {
            expected = digest_from_hex(arguments[++i]);
            if (!expected) return download_usage();
        } else if (arguments[i] == "--resume-from" && has_value) {
            if (!parse_size(arguments[++i], resume_from)) return download_usage();
        } else {
            return download_usage();
        }
    }
    if (!has_size || target.empty()) return download_usage();

    http_global_init();
    transfer_job_c job;
    job.expected_size = size;
    job.bytes_done = resume_from;
    // The digest follows the bytes as they are written, as a download session's does.
    sha256_c digest;
    if (expected) job.digest = &digest;
    set_last_error(0);
    const auto start = std::chrono::steady_clock::now();
    const bool performed = download_with_retries(url, job, utf8_to_wide(target)) == download_attempt::performed;
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
        {"last_error", last_error()},
        {"seconds", seconds},
    };
    if (expected) out["digest_matches"] = digest_matches;
    std::cout << out.dump(2) << "\n";
    http_global_cleanup();
    return performed && job.code == 0 && (!expected || digest_matches) ? 0 : 1;
}
