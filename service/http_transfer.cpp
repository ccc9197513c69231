#include "service/http_transfer.h"

#include "common/file_create.h"
#include "common/file_digest.h"
#include "common/hashing_pipeline.h"
#include "common/file_open.h"
#include "common/last_error.h"
#include "service/proxy_route.h"
#include "service/tls_options.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {

constexpr const char* user_agent = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";
constexpr int attempts = 10;
// libcurl's receive buffer: each block is written and flushed as it arrives, so fewer, larger
// blocks cost fewer system calls per megabyte.
constexpr long download_block_size = 256 * 1024;

// A query that sends nothing for this long has stalled.
constexpr long query_low_speed_time_s = 30;

bool starts_with_ignoring_case(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (!*text || std::tolower(static_cast<unsigned char>(*text)) != *prefix) return false;
    return true;
}

void reset_result(http_transfer_c& transfer) {
    transfer.result.http_status = 0;
    transfer.result.content_type = nullptr;
    transfer.result.code = 0;
    if (auto& body = transfer.result.body) {
        body->length = 0;
        std::fill(body->data.begin(), body->data.end(), '\0');
    }
}

size_t memory_writer(char* data, size_t size, size_t count, void* context) {
    size_t n = size * count;
    if (!data || count == 0) return n;
    auto transfer = static_cast<http_transfer_c*>(context);
    response_buffer_c* body = transfer->result.body.get();
    // One byte always stays free: the body stays NUL-terminated.
    if (!body || std::uint64_t(body->length) + n >= std::uint64_t(body->capacity)) return 0;
    std::memcpy(body->data.data() + body->length, data, n);
    body->length += std::int32_t(n);
    return n;
}

size_t file_writer(char* data, size_t size, size_t count, void* context) {
    size_t n = size * count;
    auto transfer = static_cast<http_transfer_c*>(context);
    if (!data || count == 0 || !transfer || !transfer->job) return 0;
    transfer_job_c& job = *transfer->job;
    if (std::uint64_t(job.expected_size) < std::uint64_t(job.bytes_done.load()) + n) {
        transfer->writer_refused_oversize = true;
        set_last_error(error_oversize);
        return 0;
    }
    if (std::fwrite(data, 1, n, transfer->file) != n || std::fflush(transfer->file) != 0) {
        set_last_error(error_file_write);
        return 0;
    }
    job.bytes_done.fetch_add(std::uint32_t(n));
    if (transfer->hashing) transfer->hashing->feed(data, n);
    else if (job.digest) job.digest->update(data, n);
    return n;
}

int progress_callback(void* context, double, double, double, double) {
    auto transfer = static_cast<http_transfer_c*>(context);
    return !transfer || !transfer->job || transfer->job->stop.load() != 0 ? 1 : 0;
}

void finish_transfer(http_transfer_c& transfer) {
    transfer_result_c& result = transfer.result;
    result.code = curl_easy_perform(transfer.handle);
    if (result.code == CURLE_OK) {
        char* type = nullptr;
        curl_easy_getinfo(transfer.handle, CURLINFO_CONTENT_TYPE, &type);
        result.content_type = type;
    }
    long status = 0;
    curl_easy_getinfo(transfer.handle, CURLINFO_RESPONSE_CODE, &status);
    result.http_status = status == 0 ? 504 : std::int32_t(status);
    if (result.code == CURLE_OK && result.http_status >= 400) result.code = CURLE_HTTP_RETURNED_ERROR;
    // A POST form serves one transfer.
    curl_formfree(transfer.form_first);
    transfer.form_first = transfer.form_last = nullptr;
}

// The address of the next request, and the proxy it goes through. A request that starts secure
// stays secure: its redirects may lead to https only, never down to a plain connection that anyone
// between could read or alter.
void set_request_url(CURL* handle, const char* url) {
    curl_easy_setopt(handle, CURLOPT_URL, url);
    apply_proxy_route(handle, url ? url : "");
    const bool secure = url && starts_with_ignoring_case(url, "https://");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS,
                     secure ? long(CURLPROTO_HTTPS) : long(CURLPROTO_HTTP | CURLPROTO_HTTPS | CURLPROTO_FTP));
}

// Performs one HTTP or FTP download into the open file.
void perform_download(http_transfer_c& transfer, const char* url, transfer_job_c& job) {
    CURL* handle = transfer.handle;
    set_request_url(handle, url);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, file_writer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_PROGRESSFUNCTION, progress_callback);
    curl_easy_setopt(handle, CURLOPT_PROGRESSDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, job.low_speed_time_s);
    // The body of an error answer (404, 503) is never package data: it must not reach the file,
    // where the next resume would build on it.
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, download_block_size);
    // Every block is flushed at once anyway: the stream's own buffer would only copy it.
    std::setvbuf(transfer.file, nullptr, _IONBF, 0);
    transfer.writer_refused_oversize = false;
    job.code = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    job.http_status = std::int32_t(status);
    curl_easy_setopt(handle, CURLOPT_FAILONERROR, 0L);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, long(CURL_MAX_WRITE_SIZE));
    std::fclose(transfer.file);
    transfer.file = nullptr;
}

// Makes the partial file and bytes_done agree before a resume: bytes a failed write or flush
// left behind are cut off, and a file shorter than the count (or gone) lowers the count, so the
// range asked for always starts right after the last byte on disk. The offset to resume from.
std::uint32_t agree_with_partial_file(const std::wstring& target, transfer_job_c& job) {
    std::uint32_t offset = job.bytes_done.load();
    if (offset == 0) return 0;
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

std::int32_t download_http(http_transfer_c& transfer, const char* url, const std::wstring& target, transfer_job_c& job) {
    reset_result(transfer);
    curl_easy_setopt(transfer.handle, CURLOPT_HTTPGET, 1L);
    const std::uint32_t offset = agree_with_partial_file(target, job);
    // Never through a link planted in the download folder: a resumed file must be the plain file
    // written before, and a fresh one is created new.
    transfer.file = offset != 0 ? open_file_for_update(target) : replace_with_new_file(target);
    // The digest is looked at only once every byte fed to it was hashed.
    if (transfer.hashing) transfer.hashing->drain();
    if (!transfer.file || (offset != 0 && !truncate_file(transfer.file, offset)) ||
        !digest_follows_file(target, offset, job)) {
        if (transfer.file) std::fclose(transfer.file);
        transfer.file = nullptr;
        set_last_error(error_file_open);
        return -1;
    }
    if (offset != 0 && offset == job.expected_size) {
        // Every byte is already there (the last attempt ended after its last block): a range
        // request would only get 416.
        std::fclose(transfer.file);
        transfer.file = nullptr;
        job.code = CURLE_OK;
        job.http_status = 0;
        return 0;
    }
    char range[16];
    if (offset != 0) {
        std::snprintf(range, sizeof range, "%u-", unsigned(offset));
        curl_easy_setopt(transfer.handle, CURLOPT_RANGE, range);
    } else {
        curl_easy_setopt(transfer.handle, CURLOPT_RANGE, nullptr);
    }
    perform_download(transfer, url, job);
    return 0;
}

std::int32_t download_ftp(http_transfer_c& transfer, const char* url, const std::wstring& target, transfer_job_c& job) {
    transfer.file = replace_with_new_file(target);
    if (!transfer.file) {
        set_last_error(error_file_open);
        return -1;
    }
    // FTP always fetches the whole file, so the count starts again with the file.
    job.bytes_done.store(0);
    if (transfer.hashing) transfer.hashing->drain();
    if (job.digest) job.digest->reset();
    curl_easy_setopt(transfer.handle, CURLOPT_RANGE, nullptr);
    perform_download(transfer, url, job);
    return 0;
}

// Waits between attempts, but no longer than the stop request lets it.
void wait_before_retry(const transfer_job_c& job) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(job.retry_wait_ms);
    while (job.stop.load() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

http_transfer_c::~http_transfer_c() {
    if (file) std::fclose(file);
    if (handle) curl_easy_cleanup(handle);
    curl_formfree(form_first);
    curl_slist_free_all(headers);
}

void http_global_init() { curl_global_init(CURL_GLOBAL_ALL); }

void http_global_cleanup() { curl_global_cleanup(); }

std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity) {
    std::unique_ptr<http_transfer_c> transfer(new (std::nothrow) http_transfer_c());
    if (!transfer) return nullptr;
    if (capacity > 0) {
        transfer->result.body = std::make_unique<response_buffer_c>();
        transfer->result.body->data.assign(std::size_t(capacity), '\0');
        transfer->result.body->capacity = capacity;
    }
    transfer->handle = curl_easy_init();
    if (!transfer->handle) return nullptr;
    transfer->headers = curl_slist_append(nullptr, "Connection: close");
    CURL* handle = transfer->handle;
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, transfer->result.error_text);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS, long(CURLPROTO_HTTP | CURLPROTO_HTTPS | CURLPROTO_FTP));
    apply_tls_options(handle);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_HTTP_CONTENT_DECODING, 1L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, user_agent);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, transfer->headers);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, query_low_speed_time_s);
    return transfer;
}

const transfer_result_c& perform_to_memory(http_transfer_c& transfer, const char* url, std::int32_t method) {
    reset_result(transfer);
    CURL* handle = transfer.handle;
    if (method == 1) {
        if (transfer.form_first)
            curl_easy_setopt(handle, CURLOPT_HTTPPOST, transfer.form_first);
        else
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
    } else if (method == 0) {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }
    set_request_url(handle, url);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, memory_writer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, nullptr);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, nullptr);
    finish_transfer(transfer);
    return transfer.result;
}

std::int32_t download_file(http_transfer_c& transfer, const char* url, const std::wstring& target, transfer_job_c& job) {
    transfer.job = &job;
    std::int32_t result;
    if (starts_with_ignoring_case(url, "http://") || starts_with_ignoring_case(url, "https://")) {
        result = download_http(transfer, url, target, job);
    } else if (starts_with_ignoring_case(url, "ftp://")) {
        result = download_ftp(transfer, url, target, job);
    } else {
        job.code = CURLE_URL_MALFORMAT;
        result = -1;
    }
    // A stopped download is not an error.
    if (job.code == CURLE_ABORTED_BY_CALLBACK) job.code = CURLE_OK;
    return result;
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

std::int32_t download_with_retries(const char* session_url, transfer_job_c& job, const std::wstring& target) {
    std::unique_ptr<http_transfer_c> transfer = create_transfer(0);
    if (!transfer) {
        set_last_error(error_transfer_create);
        return -1;
    }
    const std::string url = escape_url_spaces(session_url ? session_url : "");
    job.failure_text.clear();
    // The digest follows the bytes on a thread of its own while they arrive, and is whole again
    // (every byte written hashed) when this returns.
    if (job.digest) transfer->hashing = std::make_unique<hashing_pipeline_c>(*job.digest);
    std::int32_t result = -1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        result = download_file(*transfer, url.c_str(), target, job);
        // A link of another scheme or a target that cannot be opened: no retry mends that.
        if (result != 0) break;
        // Nor does one mend a certificate that TLS refused.
        job.failure_text = tls_refusal_text(url.c_str(), CURLcode(job.code), transfer->result.error_text);
        if (job.stop.load() != 0 || job.code == CURLE_OK || !job.failure_text.empty()) break;
        if (transfer->writer_refused_oversize) {
            // The server sent more than the package holds (a range it ignored, say): start over
            // from the first byte.
            remove_file(target);
            job.bytes_done.store(0);
        }
        if (attempt + 1 < attempts) wait_before_retry(job);
    }
    transfer->hashing.reset();  // drains it
    return result;
}
