// The download of one driver package, identified by its link: the two file names in the download
// folder, the worker thread that runs the transfer with resume and retries, and the state the
// download page shows. Sessions live in one process-wide list, in creation order, so a page built
// anew rejoins the sessions that exist, running ones included.
//
// Threads: every operation runs on the UI thread, which alone writes `state`, the worker and the
// list. The worker writes the job's counters and reads its stop flag (atomics).
#pragma once

#include "download/install_job.h"
#include "common/sha256.h"
#include "common/worker.h"
#include "service/transfer_job.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The numbers are those the states had in earlier versions' panels.
enum class download_state_c : std::int32_t {
    not_downloaded = 1,
    downloading = 2,
    paused = 3,
    failed = 4,
    complete = 5,
};

// Why the last download of a session failed, where more can be said than "failed".
enum class download_problem_c : std::int32_t {
    none,
    // Every byte arrived, but they are not the package the catalog owner signed: the partial
    // file was deleted.
    digest_mismatch,
};

// Language key of a problem's text; empty for none.
const char* download_problem_key(download_problem_c problem);

// Language keys of a state's status text and of the button (and menu entry) that acts on it;
// empty for a value that is no state.
const char* download_status_key(download_state_c state);
const char* download_button_key(download_state_c state);

class download_session_c : public std::enable_shared_from_this<download_session_c> {
public:
    // A file already at the final name counts as the complete package only when it has the
    // expected size and, for a signed offer, the expected digest.
    download_session_c(const std::string& link, std::uint32_t expected_size, const std::wstring& download_folder,
                       const std::optional<sha256_digest_c>& expected_sha256 = std::nullopt);
    ~download_session_c();
    download_session_c(const download_session_c&) = delete;
    download_session_c& operator=(const download_session_c&) = delete;

    // Not downloaded, paused or failed: starts the worker and enters downloading. False when a worker already runs,
    // another session's worker is writing the same file (links with the same file name share
    // their files, and two writers appending to one file would corrupt it), or the system would
    // not start a thread.
    bool start_download();
    // The worker has ended: makes the transition and gives true; false while it runs or when
    // there is none. All bytes there make the package complete, even when a pause was asked for
    // after the last one, provided they hash to the signed digest (else the partial file is
    // deleted and the session fails with digest_mismatch). A complete package is moved to its final
    // name, replacing an older file of that name; when the move fails the session fails with the
    // partial file kept.
    bool poll_worker();
    // Downloading: asks the worker to stop; the next poll after its end gives paused.
    void request_pause();
    // Paused and failed delete the partial file, complete the package; then not downloaded, with
    // no bytes.
    // True when a file was deleted.
    bool remove_download();
    // Nothing when not downloaded, the package when complete, the partial file otherwise.
    std::optional<std::wstring> file_to_show() const;
    // A worker was started and its end not yet polled.
    bool worker_running() const { return awaiting_poll_; }
    bool final_file_is_the_package() const;

    worker_c worker;
    const std::string url;          // the whole link, byte for byte as the answer gave it
    std::wstring worker_path;       // the partial file the worker writes
    transfer_job_c job;
    download_state_c state = download_state_c::not_downloaded;
    std::wstring temp_path;
    std::wstring final_path;
    // The signed digest of the package; none for an unsigned offer the settings let through.
    const std::optional<sha256_digest_c> expected_sha256;
    sha256_c digest;                  // of the partial file, kept by the worker as it writes
    bool worker_digest_matches = false;  // the worker's verdict on a complete file (read after it ended)
    download_problem_c problem = download_problem_c::none;
    // The installation of the complete package (running or last run).
    install_job_c install_job;

private:
    bool awaiting_poll_ = false;
};

// The process-wide list; it holds the only owners besides a running worker, which keeps its own
// session alive until it ends.
extern std::vector<std::shared_ptr<download_session_c>> download_sessions;

// The session of this link (byte-for-byte comparison), created from what is on disk when there is
// none yet; the expected size and digest of later calls are ignored.
download_session_c* get_download_session(const std::string& link, std::uint32_t expected_size,
                                         const std::wstring& download_folder,
                                         const std::optional<sha256_digest_c>& expected_sha256 = std::nullopt);

// Makes the transition of every session whose worker has ended, whether or not a download panel
// shows it. True while any worker still runs. The UI thread calls it on a timer.
bool poll_download_sessions();

// True while any session's installation runs (unpacks, or starts its installer).
bool any_installation_running();

// Before the program ends: asks every running installation to stop unpacking and waits up to
// `limit` for them; an installer already started is not affected. True when all have ended.
bool stop_installations(std::chrono::milliseconds limit);

// Before the program ends: completes the downloads that have ended, asks every running worker to
// stop and waits up to `limit` for them.
// The partial files stay for a later resume. True when every worker has ended.
bool stop_downloads(std::chrono::milliseconds limit);
