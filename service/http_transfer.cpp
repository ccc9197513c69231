#include "service/http_transfer.h"

#include "common/file_create.h"
#include "common/file_digest.h"
#include "common/file_open.h"
#include "service/block_writer.h"
#include "service/proxy_route.h"
#include "service/tls_options.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr const char* user_agent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";
constexpr int download_attempts = 10;
// libcurl's receive buffer while a file downloads: each read from the socket takes up to this much
// (libcurl still hands the write callback 16 KiB at most per call), so a fast download costs few
// socket reads per megabyte, which is what a read costs most under Wine.
constexpr long download_receive_buffer = 1024 * 1024;

// A query that sends nothing for this long has stalled.
constexpr long query_low_speed_time_s = 30;

bool starts_with_ignoring_case(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

struct file_closer_c {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_ptr_c = std::unique_ptr<std::FILE, file_closer_c>;

struct mime_free_c {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

// Makes the partial file and bytes_done agree before a resume: bytes a failed write left behind
// are cut off, and a file shorter than the count (or gone) lowers the count, so the range asked
// for always starts right after the last byte on disk. The offset to resume from.
std::uint32_t agree_with_partial_file(const std::wstring& target, transfer_job_c& job) {
    std::uint32_t offset = job.bytes_done.load();
    if (offset == 0) return 0;
    // Longer than the package (left by another link of the same file name): no range of this
    // package continues it, so it starts again.
    if (job.expected_size != 0 && offset > job.expected_size) {
        job.bytes_done.store(0);
        return 0;
    }
    const std::uint64_t on_disk = file_size(target).value_or(0);
    if (on_disk < offset) {
        offset = std::uint32_t(on_disk);
        job.bytes_done.store(offset);
    }
    return offset;
}

// The digest has seen exactly the bytes before the offset: bytes on disk that it has not seen (a
// resume after the program started again, a file cut back) are read once from the file.
bool digest_follows_file(const std::wstring& target, std::uint32_t offset, transfer_job_c& job) {
    if (!job.digest || job.digest->bytes() == offset) return true;
    job.digest->reset();
    return offset == 0 || hash_file_start(target, offset, *job.digest);
}

// Waits between attempts, but no longer than the stop request lets it.
void wait_before_retry(const transfer_job_c& job) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(job.retry_wait_ms);
    while (job.stop.load() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

http_transfer_c::~http_transfer_c() {
    if (handle_) curl_easy_cleanup(handle_);
    curl_slist_free_all(headers_);
}

void http_global_init() { curl_global_init(CURL_GLOBAL_ALL); }

void http_global_cleanup() { curl_global_cleanup(); }

std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity) {
    std::unique_ptr<http_transfer_c> transfer(new (std::nothrow) http_transfer_c());
    if (!transfer) return nullptr;
    if (capacity > 0) {
        transfer->result_.body = std::make_unique<response_buffer_c>();
        transfer->result_.body->data.assign(std::size_t(capacity), '\0');
        transfer->result_.body->capacity = capacity;
    }
    transfer->handle_ = curl_easy_init();
    if (!transfer->handle_) return nullptr;
    transfer->headers_ = curl_slist_append(nullptr, "Connection: close");
    CURL* handle = transfer->handle_;
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, transfer->result_.error_text);
    // The trusted roots come with the first https request (reading them is slow under Wine).
    apply_tls_verification(handle);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_HTTP_CONTENT_DECODING, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, transfer->headers_);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, query_low_speed_time_s);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &http_transfer_c::on_progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, transfer.get());
    return transfer;
}

void http_transfer_c::reset_result() {
    result_.http_status = 0;
    result_.content_type = nullptr;
    result_.code = 0;
    if (auto& body = result_.body) {
        body->length = 0;
        std::fill(body->data.begin(), body->data.end(), '\0');
    }
}

std::size_t http_transfer_c::write_to_memory(char* data, std::size_t size, std::size_t count, void* context) {
    const std::size_t n = size * count;
    if (!data || count == 0) return n;
    response_buffer_c* body = static_cast<http_transfer_c*>(context)->result_.body.get();
    // One byte always stays free: the body stays NUL-terminated.
    if (!body || std::uint64_t(body->length) + n >= std::uint64_t(body->capacity)) return 0;
    std::memcpy(body->data.data() + body->length, data, n);
    body->length += std::int32_t(n);
    return n;
}

std::size_t http_transfer_c::write_to_file(char* data, std::size_t size, std::size_t count, void* context) {
    auto transfer = static_cast<http_transfer_c*>(context);
    if (!data || count == 0 || !transfer->writer_) return 0;
    return transfer->writer_->take(data, size * count) ? size * count : 0;
}

// The one progress callback of every request: it ends the request once a stop is asked for, and
// while a download runs it writes a block that waited long, so the count moves on a slow link.
int http_transfer_c::on_progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto transfer = static_cast<http_transfer_c*>(context);
    if (transfer->stop_flag_ && transfer->stop_flag_->load()) return 1;
    if (transfer->job_ && transfer->job_->stop.load() != 0) return 1;
    // A write that failed here ends the download at the next piece, as a refused piece does.
    if (transfer->writer_) transfer->writer_->flush_when_held_long();
    return 0;
}

// The address of the next request, and the proxy it goes through. A request that starts secure
// stays secure: its redirects may lead to https only, never down to a plain connection that anyone
// between could read or alter. A plain one may be redirected to https once the trusted roots are
// in place (perform puts them there when it is).
void http_transfer_c::set_request_url(const std::string& url) {
    curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
    apply_proxy_route(handle_, url);
    const bool secure = starts_with_ignoring_case(url, "https://");
    if (secure && !trusted_roots_applied_) {
        apply_trusted_roots(handle_);
        trusted_roots_applied_ = true;
    }
    curl_easy_setopt(handle_, CURLOPT_REDIR_PROTOCOLS_STR,
                     secure ? "https" : trusted_roots_applied_ ? "http,https,ftp" : "http,ftp");
}

CURLcode http_transfer_c::perform(const std::string& url) {
    set_request_url(url);
    CURLcode code = curl_easy_perform(handle_);
    // A redirect that was not taken leaves its target as the effective URL.
    char* next = nullptr;
    if (code == CURLE_UNSUPPORTED_PROTOCOL && !trusted_roots_applied_ &&
        curl_easy_getinfo(handle_, CURLINFO_EFFECTIVE_URL, &next) == CURLE_OK && next &&
        starts_with_ignoring_case(next, "https://")) {
        // A plain link that leads to https: asked again, with the trusted roots that check where
        // it leads. The redirect's body never reached a writer.
        apply_trusted_roots(handle_);
        trusted_roots_applied_ = true;
        set_request_url(url);
        code = curl_easy_perform(handle_);
    }
    return code;
}

const transfer_result_c& http_transfer_c::perform_to_memory(const std::string& url) {
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &http_transfer_c::write_to_memory);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, nullptr);
    result_.code = perform(url);
    if (result_.code == CURLE_OK) {
        char* type = nullptr;
        curl_easy_getinfo(handle_, CURLINFO_CONTENT_TYPE, &type);
        result_.content_type = type;
    }
    long status = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    result_.http_status = status == 0 ? 504 : std::int32_t(status);
    if (result_.code == CURLE_OK && result_.http_status >= 400) result_.code = CURLE_HTTP_RETURNED_ERROR;
    return result_;
}

const transfer_result_c& http_transfer_c::get(const std::string& url) {
    reset_result();
    curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    return perform_to_memory(url);
}

const transfer_result_c& http_transfer_c::post_form(const std::string& url, const std::vector<form_field_c>& fields) {
    reset_result();
    // The form serves this one request.
    std::unique_ptr<curl_mime, mime_free_c> form(curl_mime_init(handle_));
    bool built = form != nullptr;
    for (const form_field_c& field : fields) {
        curl_mimepart* part = built ? curl_mime_addpart(form.get()) : nullptr;
        built = part && curl_mime_name(part, field.name.c_str()) == CURLE_OK &&
                curl_mime_data(part, field.data.data(), field.data.size()) == CURLE_OK;
    }
    if (!built) {
        result_.code = CURLE_OUT_OF_MEMORY;
        result_.http_status = 504;
        return result_;
    }
    curl_easy_setopt(handle_, CURLOPT_MIMEPOST, form.get());
    perform_to_memory(url);
    curl_easy_setopt(handle_, CURLOPT_MIMEPOST, nullptr);
    return result_;
}

const transfer_result_c& http_transfer_c::post_json(const std::string& url, const std::string& document) {
    reset_result();
    // The transfer's own headers, and the document's type for this request only.
    curl_slist* headers = nullptr;
    for (const curl_slist* each = headers_; each; each = each->next) headers = curl_slist_append(headers, each->data);
    curl_slist* with_type = curl_slist_append(headers, "Content-Type: application/json");
    if (!with_type) {
        curl_slist_free_all(headers);
        result_.code = CURLE_OUT_OF_MEMORY;
        result_.http_status = 504;
        return result_;
    }
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, with_type);
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDS, document.data());
    curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(document.size()));
    perform_to_memory(url);
    curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    curl_slist_free_all(with_type);
    return result_;
}

// Performs one HTTP or FTP download into the open file, which holds the job's bytes_done bytes.
void http_transfer_c::perform_download(const std::string& url, std::FILE* file, transfer_job_c& job) {
    block_writer_c writer(file, job);
    job_ = &job;
    writer_ = &writer;
    curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &http_transfer_c::write_to_file);
    curl_easy_setopt(handle_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(handle_, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle_, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, job.low_speed_time_s);
    // The body of an error answer (404, 503) is never package data: it must not reach the file,
    // where the next resume would build on it.
    curl_easy_setopt(handle_, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle_, CURLOPT_BUFFERSIZE, download_receive_buffer);
    job.code = perform(url);
    // Whatever ended the attempt (the last byte, a stop, a dropped connection), the bytes that
    // arrived are package bytes: into the file with them, so the count and the file agree.
    writer.flush();
    if (writer.failed() && (job.code == CURLE_OK || job.code == CURLE_ABORTED_BY_CALLBACK))
        job.code = CURLE_WRITE_ERROR;
    writer_refused_oversize_ = writer.refused_oversize();
    long status = 0;
    curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    job.http_status = std::int32_t(status);
    curl_easy_setopt(handle_, CURLOPT_FAILONERROR, 0L);
    curl_easy_setopt(handle_, CURLOPT_BUFFERSIZE, long(CURL_MAX_WRITE_SIZE));
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, query_low_speed_time_s);
    writer_ = nullptr;
    job_ = nullptr;
}

download_attempt_c http_transfer_c::download_http(const std::string& url, const std::wstring& target,
                                                transfer_job_c& job) {
    reset_result();
    curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
    const std::uint32_t offset = agree_with_partial_file(target, job);
    // Never through a link planted in the download folder: a resumed file must be the plain file
    // written before, and a fresh one is created new.
    file_ptr_c file(offset != 0 ? open_file_for_update(target) : replace_with_new_file(target));
    if (!file || (offset != 0 && !truncate_file(file.get(), offset)) || !digest_follows_file(target, offset, job)) {
        job.failure = failure_code_c::file_open;
        return download_attempt_c::not_started;
    }
    if (offset != 0 && offset == job.expected_size) {
        // Every byte is already there (the last attempt ended after its last block): a range
        // request would only get 416.
        job.code = CURLE_OK;
        job.http_status = 0;
        return download_attempt_c::performed;
    }
    char range[16];
    std::snprintf(range, sizeof range, "%u-", unsigned(offset));
    curl_easy_setopt(handle_, CURLOPT_RANGE, offset != 0 ? range : nullptr);
    perform_download(url, file.get(), job);
    return download_attempt_c::performed;
}

download_attempt_c http_transfer_c::download_ftp(const std::string& url, const std::wstring& target,
                                               transfer_job_c& job) {
    file_ptr_c file(replace_with_new_file(target));
    if (!file) {
        job.failure = failure_code_c::file_open;
        return download_attempt_c::not_started;
    }
    // FTP always fetches the whole file, so the count starts again with the file.
    job.bytes_done.store(0);
    if (job.digest) job.digest->reset();
    curl_easy_setopt(handle_, CURLOPT_RANGE, nullptr);
    perform_download(url, file.get(), job);
    return download_attempt_c::performed;
}

download_attempt_c http_transfer_c::download_file(const std::string& url, const std::wstring& target,
                                                transfer_job_c& job) {
    download_attempt_c attempt;
    if (starts_with_ignoring_case(url, "http://") || starts_with_ignoring_case(url, "https://")) {
        attempt = download_http(url, target, job);
    } else if (starts_with_ignoring_case(url, "ftp://")) {
        attempt = download_ftp(url, target, job);
    } else {
        job.code = CURLE_URL_MALFORMAT;
        attempt = download_attempt_c::not_started;
    }
    // A stopped download is not an error.
    if (job.code == CURLE_ABORTED_BY_CALLBACK) job.code = CURLE_OK;
    return attempt;
}

std::string escape_url_spaces(const std::string& url) {
    std::string escaped;
    bool extra_info = false;
    for (char c : url) {
        if (c == '?' || c == '#') extra_info = true;
        if (c == ' ' && !extra_info)
            escaped += "%20";
        else
            escaped += c;
    }
    return escaped;
}

download_attempt_c download_with_retries(const std::string& session_url, transfer_job_c& job,
                                       const std::wstring& target) {
    job.failure = failure_code_c::none;
    std::unique_ptr<http_transfer_c> transfer = create_transfer(0);
    if (!transfer) {
        job.failure = failure_code_c::transfer_create;
        return download_attempt_c::not_started;
    }
    const std::string url = escape_url_spaces(session_url);
    job.failure_text.clear();
    download_attempt_c attempt = download_attempt_c::not_started;
    for (int i = 0; i < download_attempts; ++i) {
        attempt = transfer->download_file(url, target, job);
        // A link of another scheme or a target that cannot be opened: no retry mends that.
        if (attempt == download_attempt_c::not_started) break;
        // Nor does one mend a certificate that TLS refused.
        job.failure_text = tls_refusal_text(url.c_str(), CURLcode(job.code), transfer->result().error_text);
        if (job.stop.load() != 0 || job.code == CURLE_OK || !job.failure_text.empty()) break;
        if (transfer->writer_refused_oversize()) {
            // The server sent more than the package holds (a range it ignored, say): start over
            // from the first byte.
            remove_file(target);
            job.bytes_done.store(0);
        }
        if (i + 1 < download_attempts) wait_before_retry(job);
    }
    return attempt;
}
