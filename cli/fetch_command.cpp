// vantorel-cli fetch: downloads one package as the program does, through a download session in a
// download folder: what is there is resumed, Ctrl+C pauses (the partial file stays), and the
// final state is printed as JSON.
#include "cli/cli_commands.h"
#include "cli/console.h"
#include "cli/progress_meter.h"
#include "common/file_open.h"
#include "common/text_convert.h"
#include "download/download_session.h"
#include "service/http_transfer.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void on_interrupt(int) { interrupted = 1; }

const char* state_name(download_state_c state) {
    switch (state) {
    case download_state_c::not_downloaded: return "not downloaded";
    case download_state_c::downloading: return "downloading";
    case download_state_c::paused: return "paused";
    case download_state_c::failed: return "failed";
    case download_state_c::complete: return "complete";
    default: return "";
    }
}

void print_state(const download_session_c& session) {
    const auto file = session.file_to_show();
    nlohmann::ordered_json out = {
        {"link", session.url},
        {"state", std::int32_t(session.state)},
        {"state_name", state_name(session.state)},
        {"expected_size", session.job.expected_size},
        {"bytes_done", session.job.bytes_done.load()},
        {"http_status", session.job.http_status},
        {"code", session.job.code},
        {"code_text", curl_easy_strerror(CURLcode(session.job.code))},
        {"error_text", session.job.failure_text},
        {"last_error", failure_number(session.job.failure)},
        {"file", file ? wide_to_utf8(*file) : std::string()},
        {"problem", download_problem_key(session.problem)},
    };
    std::cout << out.dump(2) << "\n";
}

// Polls the running session as the download page's timer does, drawing the progress bar.
void follow(download_session_c& session, bool show_progress) {
    progress_meter_c meter;
    std::size_t shown = 0;  // the width of the line on screen, so a shorter one covers it
    bool pause_asked = false;
    while (!session.poll_worker()) {
        if (interrupted && !pause_asked) {
            session.request_pause();
            pause_asked = true;
        }
        if (show_progress) {
            std::string line = meter.update(session.job.bytes_done.load(), session.job.expected_size,
                                            progress_meter_c::clock::now());
            const std::size_t width = line.size();
            if (width < shown) line.append(shown - width, ' ');
            shown = width;
            std::fprintf(stderr, "\r%s", line.c_str());
            std::fflush(stderr);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (show_progress) std::fprintf(stderr, "\n");
}

}  // namespace

int fetch_command(const cli_arguments& arguments) {
    if (arguments.empty()) return command_line_problem("name the link to fetch");
    const std::string link = arguments[0];
    std::string folder;
    std::uint32_t size = 0;
    bool has_size = false;
    std::optional<sha256_digest_c> sha256;
    argument_reader_c reader(cli_arguments(arguments.begin() + 1, arguments.end()));
    while (!reader.done()) {
        if (reader.take_number("--size", 0, 0xFFFFFFFFu, size)) has_size = true;
        else if (reader.take_value("--folder", folder)) continue;
        else if (!take_sha256_option(reader, sha256)) reader.refuse_unknown();
    }
    if (reader.failed()) return command_line_problem(reader.problem());
    if (!has_size || folder.empty()) return command_line_problem("fetch needs --size N and --folder DIR");

    const std::wstring wide_folder = utf8_to_wide(folder);
    if (!create_folders(wide_folder)) {
        std::fprintf(stderr, "vantorel-cli: cannot create the download folder '%s'\n", folder.c_str());
        return 1;
    }
    http_global_init();
    download_session_c& session = *get_download_session(link, std::uint32_t(size), wide_folder, sha256);
    if (session.state != download_state_c::complete) {
        std::signal(SIGINT, on_interrupt);
        if (session.start_download()) follow(session, stderr_is_terminal());
        std::signal(SIGINT, SIG_DFL);
    }
    print_state(session);
    if (session.problem == download_problem_c::digest_mismatch)
        std::fprintf(stderr, "vantorel-cli: the downloaded bytes are not the signed package; they were deleted\n");
    if (!session.job.failure_text.empty()) std::fprintf(stderr, "vantorel-cli: %s\n", session.job.failure_text.c_str());
    stop_downloads(std::chrono::seconds(5));
    http_global_cleanup();
    switch (session.state) {
    case download_state_c::complete: return 0;
    case download_state_c::paused: return 130;
    default: return 1;
    }
}
