#include "updater/update_flow_win.h"

#include "common/file_digest.h"
#include "common/file_open.h"
#include "common/shell_launcher.h"
#include "common/text_convert.h"
#include "common/version.h"
#include "download/download_session.h"
#include "service/http_transfer.h"
#include "service/package_trust.h"
#include "service/proxy_route.h"
#include "service/release_query.h"
#include "ui/kit/language_format.h"
#include "i18n/language_table.h"
#include "ui/dialogs/message_window_win.h"
#include "updater/console_output_win.h"
#include "updater/update_progress_window_win.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>

namespace {

// The transfer library for the run.
struct transfer_library_c {
    transfer_library_c() { http_global_init(); }
    ~transfer_library_c() { http_global_cleanup(); }
    transfer_library_c(const transfer_library_c&) = delete;
    transfer_library_c& operator=(const transfer_library_c&) = delete;
};

// Where installers are downloaded: the user's own "%LOCALAPPDATA%\Vantorel\update".
std::wstring download_folder() {
    wchar_t local[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, local)))
        return {};
    std::wstring folder = std::wstring(local) + L"\\Vantorel\\update";
    const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) return {};
    return folder;
}

// How the run tells its outcome: a line for scripts, or the program's message box.
class reporter_c {
public:
    explicit reporter_c(update_mode_c mode) : mode_(mode) {}
    bool interactive() const { return mode_ == update_mode_c::interactive; }

    int tell(int code, const std::string& line, const std::wstring& text, message_kind_c kind) const {
        if (interactive()) message_window_c(text, kind).run(nullptr);
        else print_for_scripts(line + "\n");
        return code;
    }
    int refused(const std::string& reason) const {
        return tell(exit_refused, "refused " + reason, language_text("update_refused"), message_kind_c::error);
    }
    int error(const std::string& reason, const char* key) const {
        return tell(exit_error, "error " + reason, language_text(key), message_kind_c::error);
    }

private:
    update_mode_c mode_;
};

// This program's own path, for its elevated step.
std::wstring own_program_path() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof path[0]));
    return length == 0 || length >= sizeof path / sizeof path[0] ? std::wstring() : std::wstring(path, length);
}

mirror_list_c chosen_mirrors(const update_options_c& options) {
    if (options.mirrors.empty()) return configured_mirrors();
    std::vector<std::string> overrides;
    for (std::string url : options.mirrors)
        if (normalise_mirror_url(url)) overrides.push_back(url);
    return with_mirror_overrides(default_mirrors, overrides);
}

// Downloads the installer through a download session: with the progress window, or quietly for
// --yes. The session checks the size and the signed SHA-256 as the bytes arrive, and deletes a
// file that does not hash to it.
int download_and_start(const reporter_c& reporter, const release_offer_c& offer) {
    const std::wstring folder = download_folder();
    if (folder.empty()) return reporter.error("no folder to download into", "update_download_failed");
    auto session = std::make_shared<download_session_c>(offer.link, std::uint32_t(offer.size), folder, offer.sha256);
    session->job.retry_wait_ms = 1000;
    if (reporter.interactive()) {
        const std::wstring text = format_language_text("update_downloading", {utf8_to_wide(offer.version)}, 512);
        if (update_progress_window_c(text, *session).run(nullptr) == update_download_end_c::cancelled) {
            // The partial file stays: the next run resumes it, checked as before.
            return exit_error;
        }
    } else if (session->state != download_state_c::complete) {
        if (!session->start_download()) return reporter.error("the download could not start", "update_download_failed");
        while (!session->poll_worker()) Sleep(100);
    }
    if (session->state != download_state_c::complete) {
        const bool altered = session->problem == download_problem_c::digest_mismatch;
        session->remove_download();
        if (altered) return reporter.refused("the downloaded installer is not the one the publisher signed");
        return reporter.error("the installer could not be downloaded from " + offer.link, "update_download_failed");
    }
    // Once more from the disk, right before it runs: exactly the bytes that were signed.
    if (!file_matches(session->final_path, offer.size, offer.sha256)) {
        remove_file(session->final_path);
        return reporter.refused("the downloaded installer is not the one the publisher signed");
    }
    // Run as administrator only from a protected copy, checked again: this program's elevated step
    // (update_stage_win.h) copies it, deletes the download and starts the copy silently; the
    // set-up starts the new program when it is done (it closes this one's program first).
    const launch_result_c started = system_shell_launcher().run_as_administrator(
        own_program_path(), L"--stage-installer \"" + session->final_path + L"\" --sha256 " + utf8_to_wide(digest_hex(offer.sha256)),
        session->final_path.substr(0, session->final_path.find_last_of(L'\\')));
    if (started != launch_result_c::started)
        return reporter.error(started == launch_result_c::cancelled ? "the installer was not allowed to run" : "the installer could not start",
                              "update_start_failed");
    if (!reporter.interactive())
        print_for_scripts("installing " + offer.version + " " + wide_to_utf8(session->final_path) + "\n");
    return exit_newer;
}

}  // namespace

int run_update(const update_options_c& options) {
    const reporter_c reporter(options.mode);
    transfer_library_c library;
    if (options.proxy) set_proxy_override(options.proxy);
    const release_query_c query = query_release(chosen_mirrors(options), built_in_keys(), VANTOREL_VERSION);
    const release_check_c& check = query.check;
    switch (check.verdict) {
        case release_verdict_c::refused: return reporter.refused(check.reason);
        case release_verdict_c::unreadable: return reporter.error(check.reason, "update_check_failed");
        case release_verdict_c::up_to_date:
            return reporter.tell(exit_up_to_date, std::string("up-to-date ") + VANTOREL_VERSION,
                                 format_language_text("update_up_to_date", {VANTOREL_VERSION_WIDE}, 512), message_kind_c::information);
        case release_verdict_c::newer: break;
    }
    const release_offer_c& offer = check.offer;
    if (options.mode == update_mode_c::check) {
        print_for_scripts("update-available " + offer.version + " " + offer.link + "\n");
        return exit_newer;
    }
    if (reporter.interactive()) {
        const std::wstring question =
            format_language_text("update_available", {utf8_to_wide(offer.version), VANTOREL_VERSION_WIDE}, 512);
        if (message_window_c(question, message_kind_c::question).run(nullptr) != message_answer_c::accept) return exit_newer;
    }
    return download_and_start(reporter, offer);
}
