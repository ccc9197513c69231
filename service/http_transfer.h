// Every HTTP(S) and FTP transfer of the program goes through this layer over the libcurl easy
// interface: one request into a fixed-capacity memory buffer (the scan query's multipart POST)
// and file downloads with resume, size limit, cancellation and retries. Every request goes through
// the proxy that proxy_route.h chooses for its URL.
#pragma once

#include "service/transfer_job.h"

#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class hashing_pipeline_c;

// A fixed-capacity body buffer; one byte always stays free, so the body is NUL-terminated.
struct response_buffer_c {
    std::vector<char> data;
    std::int32_t capacity = 0;
    std::int32_t length = 0;
};

struct transfer_result_c {
    std::int32_t http_status = 0;         // normalised: no response at all counts as 504
    const char* content_type = nullptr;   // owned by the handle; set after a successful transfer
    std::int32_t code = 0;                // libcurl's result; a status of 400 or more gives 22
    std::unique_ptr<response_buffer_c> body;  // null for transfers made with capacity 0
    char error_text[CURL_ERROR_SIZE] = {};
};

class http_transfer_c {
public:
    ~http_transfer_c();
    http_transfer_c(const http_transfer_c&) = delete;
    http_transfer_c& operator=(const http_transfer_c&) = delete;

    CURL* handle = nullptr;
    curl_httppost* form_first = nullptr;  // filled by the caller with curl_formadd
    curl_httppost* form_last = nullptr;
    transfer_result_c result;
    curl_slist* headers = nullptr;
    std::FILE* file = nullptr;            // open only while a file download runs
    transfer_job_c* job = nullptr;
    bool writer_refused_oversize = false;  // this transfer's own writer refused data beyond the size
    // While a download with a digest runs: hashes what the writer writes on a thread of its own.
    std::unique_ptr<hashing_pipeline_c> hashing;

private:
    friend std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity);
    http_transfer_c() = default;
};

void http_global_init();
void http_global_cleanup();

// A transfer with a body buffer of capacity bytes (none for 0 or less); null on failure.
std::unique_ptr<http_transfer_c> create_transfer(std::int32_t capacity);

// Method 0 = GET, 1 = POST (multipart when a form was added), anything else keeps the method.
const transfer_result_c& perform_to_memory(http_transfer_c& transfer, const char* url, std::int32_t method);

// 0 when a transfer was performed (its outcome is in the job), -1 when it could not start. A
// resume first cuts the target back to bytes_done (or lowers bytes_done to the file); a target
// that already holds expected_size bytes is complete without a request.
std::int32_t download_file(http_transfer_c& transfer, const char* url, const std::wstring& target, transfer_job_c& job);

// Up to ten attempts, resuming where the last one stopped; a link of another scheme, a target
// that cannot be opened or a certificate that TLS refused (job.failure_text says which host and
// why) ends them at once, and a stop request cuts the wait between them short.
// The last download_file result, or -1 when no transfer could be created.
std::int32_t download_with_retries(const char* session_url, transfer_job_c& job, const std::wstring& target);

// The request URL of a package link: spaces become %20 (up to the query or fragment, which stay
// as they are), nothing else changes; the whole link is kept, however long.
std::string escape_url_spaces(const std::string& url);

