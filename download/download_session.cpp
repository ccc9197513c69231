#include "download/download_session.h"

#include "common/file_digest.h"
#include "common/file_open.h"
#include "download/download_paths.h"
#include "service/http_transfer.h"

#include <algorithm>
#include <thread>

std::vector<std::shared_ptr<download_session_c>> download_sessions;

namespace {

std::int32_t download_worker(void* argument) {
    auto& session = *static_cast<download_session_c*>(argument);
    const download_attempt_c attempt = download_with_retries(session.url, session.job, session.worker_path);
    session.worker_digest_matches = false;
    if (attempt == download_attempt_c::performed && session.job.code == 0 &&
        session.job.bytes_done.load() == session.job.expected_size && session.expected_sha256) {
        // Normally the digest has followed every byte; otherwise the file is read once more.
        const std::optional<sha256_digest_c> digest = session.digest.bytes() == session.job.expected_size
                                                          ? std::optional<sha256_digest_c>(session.digest.finish())
                                                          : file_sha256(session.worker_path);
        session.digest.reset();
        session.worker_digest_matches = digest && *digest == *session.expected_sha256;
    }
    return attempt == download_attempt_c::performed ? 0 : -1;
}

// Another session's worker is writing this partial file.
bool file_in_use_elsewhere(const download_session_c& session) {
    return std::any_of(download_sessions.begin(), download_sessions.end(), [&](const auto& other) {
        return other.get() != &session && other->worker_running() && other->temp_path == session.temp_path;
    });
}

std::uint32_t size_or_zero(const std::wstring& path) {
    return std::uint32_t(std::min<std::uint64_t>(file_size(path).value_or(0), 0xFFFFFFFFu));
}

}  // namespace

const char* download_problem_key(download_problem_c problem) {
    return problem == download_problem_c::digest_mismatch ? "download_digest_mismatch" : "";
}

const char* download_status_key(download_state_c state) {
    switch (state) {
    case download_state_c::not_downloaded: return "download_not_download";
    case download_state_c::downloading: return "download_downloading";
    case download_state_c::paused: return "download_download_paused";
    case download_state_c::failed: return "download_download_error";
    case download_state_c::complete: return "download_download_complete";
    default: return "";
    }
}

const char* download_button_key(download_state_c state) {
    switch (state) {
    case download_state_c::not_downloaded: return "download_btn_download";
    case download_state_c::downloading: return "download_btn_pause";
    case download_state_c::paused:
    case download_state_c::failed: return "download_btn_resume";
    case download_state_c::complete: return "download_btn_setup";
    default: return "";
    }
}

download_session_c::download_session_c(const std::string& link, std::uint32_t expected_size,
                                       const std::wstring& download_folder,
                                       const std::optional<sha256_digest_c>& signed_digest)
    : url(link), expected_sha256(signed_digest) {
    job.expected_size = expected_size;
    download_paths_c paths = make_download_paths(download_folder, url);
    temp_path = std::move(paths.temp_path);
    final_path = std::move(paths.final_path);
    worker_path = temp_path;
    // The partial file takes precedence: a download that was under way resumes.
    if (file_exists(temp_path)) {
        state = download_state_c::paused;
        job.bytes_done.store(size_or_zero(temp_path));
    } else if (final_file_is_the_package()) {
        state = download_state_c::complete;
        job.bytes_done.store(expected_size);
    }
}

bool download_session_c::final_file_is_the_package() const {
    // A stale or foreign file of that name is no package of this offer; the next download
    // replaces it.
    if (expected_sha256) return file_matches(final_path, job.expected_size, *expected_sha256);
    return file_size(final_path) == std::uint64_t(job.expected_size);
}

// A running worker holds its session: the last owner is the list or the worker's own end.
download_session_c::~download_session_c() = default;

bool download_session_c::start_download() {
    if (awaiting_poll_ || file_in_use_elsewhere(*this)) return false;
    const std::uint32_t on_disk = size_or_zero(temp_path);
    if (on_disk > 0) job.bytes_done.store(on_disk);
    job.stop.store(0);
    job.code = 0;
    job.http_status = 0;
    job.digest = expected_sha256 ? &digest : nullptr;
    problem = download_problem_c::none;
    // The worker keeps its session alive, so it never writes into a freed one.
    const bool started =
        worker.start([keep = shared_from_this()](const std::atomic<bool>&) { return download_worker(keep.get()); });
    if (!started) return false;  // no thread to run it on: the state stays as it was
    awaiting_poll_ = true;
    state = download_state_c::downloading;
    return true;
}

bool download_session_c::poll_worker() {
    if (!awaiting_poll_ || !worker.finished()) return false;
    awaiting_poll_ = false;
    const bool stopped = job.stop.exchange(0) != 0;
    if (job.code == 0 && job.bytes_done.load() == job.expected_size && expected_sha256 && !worker_digest_matches) {
        // Not the signed package: never kept, so a resume cannot build on it either.
        remove_file(temp_path);
        job.bytes_done.store(0);
        problem = download_problem_c::digest_mismatch;
        state = download_state_c::failed;
    } else if (job.code == 0 && job.bytes_done.load() == job.expected_size) {
        // Every byte arrived, even when a pause came after the last one. An older file with the
        // final name must not stand in for this package.
        state = replace_file(temp_path, final_path) ? download_state_c::complete : download_state_c::failed;
    } else {
        state = stopped ? download_state_c::paused : download_state_c::failed;
    }
    return true;
}

void download_session_c::request_pause() { job.stop.store(1); }

bool download_session_c::remove_download() {
    bool removed = false;
    if (state == download_state_c::paused || state == download_state_c::failed)
        removed = remove_file(temp_path);
    else if (state == download_state_c::complete)
        removed = remove_file(final_path);
    if (!removed) return false;
    job.bytes_done.store(0);
    state = download_state_c::not_downloaded;
    return true;
}

std::optional<std::wstring> download_session_c::file_to_show() const {
    if (state == download_state_c::not_downloaded) return std::nullopt;
    return state == download_state_c::complete ? final_path : temp_path;
}

download_session_c* get_download_session(const std::string& link, std::uint32_t expected_size,
                                         const std::wstring& download_folder,
                                         const std::optional<sha256_digest_c>& expected_sha256) {
    for (const auto& session : download_sessions)
        if (session->url == link) return session.get();
    download_sessions.push_back(
        std::make_shared<download_session_c>(link, expected_size, download_folder, expected_sha256));
    return download_sessions.back().get();
}

bool poll_download_sessions() {
    bool any_running = false;
    // A worker keeps its session alive, but the list may be cleared meanwhile: copy the owners.
    const std::vector<std::shared_ptr<download_session_c>> sessions = download_sessions;
    for (const auto& session : sessions) {
        session->poll_worker();
        any_running = any_running || session->worker_running();
    }
    return any_running;
}

bool stop_downloads(std::chrono::milliseconds limit) {
    // Downloads that have ended are completed first: only those still running are paused.
    poll_download_sessions();
    for (const auto& session : download_sessions)
        if (session->worker_running()) session->request_pause();
    const auto until = std::chrono::steady_clock::now() + limit;
    bool all_ended = true;
    for (const auto& session : download_sessions) {
        if (!session->worker_running()) continue;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (session->worker.wait_for(std::max(left, std::chrono::milliseconds(0))))
            session->poll_worker();
        else
            all_ended = false;  // still in a system call; it holds its own session and ends with the process
    }
    return all_ended;
}

bool any_installation_running() {
    return std::any_of(download_sessions.begin(), download_sessions.end(),
                       [](const auto& session) { return session->install_job.running.load() != 0; });
}

bool stop_installations(std::chrono::milliseconds limit) {
    for (const auto& session : download_sessions) session->install_job.stop.store(true);
    const auto until = std::chrono::steady_clock::now() + limit;
    while (any_installation_running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !any_installation_running();
}
