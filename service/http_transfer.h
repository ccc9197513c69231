// Every HTTP(S) and FTP transfer of the program goes through this layer over the libcurl easy
// interface: one request into a fixed-capacity memory buffer (the scan query's multipart POST, the
// release check) and file downloads with resume, size limit, cancellation and retries. Every
// request goes through the proxy that proxy_route.h chooses for its URL. Results carry libcurl's
// codes (CURLE_...), which curl_easy_strerror names.
#pragma once

#include "service/transfer_job.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class block_writer_c;

// A fixed-capacity body buffer; one byte always stays free, so the body is NUL-terminated.
struct response_buffer_c {
    std::vector<char> data;
    std::int32_t capacity = 0;
    std::int32_t length = 0;
};

struct transfer_result_c {
    std::int32_t http_status = 0;         // normalised: no response at all counts as 504
    const char* content_type = nullptr;   // owned by the transfer; set after a successful request
    std::int32_t code = 0;                // libcurl's result; a status of 400 or more gives 22
    std::unique_ptr<response_buffer_c> body;  // null for transfers made with capacity 0
    char error_text[CURL_ERROR_SIZE] = {};
};

// One field of a multipart form: its name and its bytes, sent as they are.
struct form_field_c {
    std::string name;
    std::string_view data;
};

// Whether a download attempt was made; how it went (the server's answer, libcurl's code) is in
// the job.
enum class download_attempt_c { performed, not_started };

class http_transfer_c {
public:
    ~http_transfer_c();
    http_transfer_c(const http_transfer_c&) = delete;
    http_transfer_c& operator=(const http_transfer_c&) = delete;

    // One GET whose body goes into the buffer.
    const transfer_result_c& get(const std::string& url);
    // One multipart form POST of the fields (copied for the request), its answer into the buffer.
    const transfer_result_c& post_form(const std::string& url, const std::vector<form_field_c>& fields);
    // One POST of a JSON document (Content-Type application/json), its answer into the buffer.
    const transfer_result_c& post_json(const std::string& url, const std::string& document);
    const transfer_result_c& result() const { return result_; }

    // A set flag cuts every later request of this transfer short (libcurl's code 42), as a set
    // stop does a download; null takes the flag away. The flag must outlive the transfer's use.
    void stop_when(const std::atomic<bool>* flag) { stop_flag_ = flag; }

    // One attempt at the job. A resume first cuts the target back to bytes_done (or lowers
    // bytes_done to the file); a target that already holds expected_size bytes is complete without
    // a request. not_started for a link of another scheme (code 3) or a target that cannot be
    // opened (last_error 4). When it returns, the job's digest has seen every byte written.
    download_attempt_c download_file(const std::string& url, const std::wstring& target, transfer_job_c& job);
    // The last download ended because its own writer refused data beyond the expected size.
    bool writer_refused_oversize() const { return writer_refused_oversize_; }

private:
    friend std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity);
    http_transfer_c() = default;

    static std::size_t write_to_memory(char* data, std::size_t size, std::size_t count, void* context);
    static std::size_t write_to_file(char* data, std::size_t size, std::size_t count, void* context);
    static int on_progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    void reset_result();
    void set_request_url(const std::string& url);
    CURLcode perform(const std::string& url);
    const transfer_result_c& perform_to_memory(const std::string& url);
    download_attempt_c download_http(const std::string& url, const std::wstring& target, transfer_job_c& job);
    download_attempt_c download_ftp(const std::string& url, const std::wstring& target, transfer_job_c& job);
    void perform_download(const std::string& url, std::FILE* file, transfer_job_c& job);

    CURL* handle_ = nullptr;
    curl_slist* headers_ = nullptr;
    transfer_result_c result_;
    const std::atomic<bool>* stop_flag_ = nullptr;
    transfer_job_c* job_ = nullptr;         // while a download runs
    block_writer_c* writer_ = nullptr;      // while a download runs
    bool writer_refused_oversize_ = false;
    bool trusted_roots_applied_ = false;
};

void http_global_init();
void http_global_cleanup();

// A transfer with a body buffer of capacity bytes (none for 0 or less); null on failure.
std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity);

// Up to ten attempts, resuming where the last one stopped; a link of another scheme, a target
// that cannot be opened or a certificate that TLS refused (job.failure_text says which host and
// why) ends them at once, and a stop request cuts the wait between them short.
// The last attempt's outcome; not_started also when no transfer could be created (last_error 7).
download_attempt_c download_with_retries(const std::string& session_url, transfer_job_c& job,
                                       const std::wstring& target);

// The request URL of a package link: spaces become %20 (up to the query or fragment, which stay
// as they are), nothing else changes; the whole link is kept, however long.
std::string escape_url_spaces(const std::string& url);
