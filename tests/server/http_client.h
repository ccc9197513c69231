// A small HTTP client over libcurl for the server's tests.
#pragma once

#include <curl/curl.h>
#include <zlib.h>

#include <string>

// A scan request document as the program posts it: one zlib stream.
inline std::string zlib_compressed(const std::string& document) {
    uLongf size = compressBound(uLong(document.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(document.data()),
             uLong(document.size()));
    packed.resize(size);
    return packed;
}

struct http_reply_c {
    long status = 0;
    std::string body;
    std::string headers;
};

inline std::size_t collect_reply(char* data, std::size_t size, std::size_t count, void* out) {
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One request; `form_field` posts a multipart form with the field "kelvdoc".
inline http_reply_c fetch(const std::string& url, const std::string* form_field = nullptr, const char* range = nullptr,
                   const std::string* raw_body = nullptr, curl_slist* headers = nullptr, long bytes_per_second = 0) {
    http_reply_c reply;
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect_reply);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &collect_reply);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 20L);
    curl_mime* mime = nullptr;
    if (form_field) {
        mime = curl_mime_init(curl);
        curl_mimepart* part = curl_mime_addpart(mime);
        curl_mime_name(part, "kelvdoc");
        curl_mime_data(part, form_field->data(), form_field->size());
        curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    }
    if (raw_body) {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, raw_body->data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(raw_body->size()));
    }
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    if (range) curl_easy_setopt(curl, CURLOPT_RANGE, range);
    if (bytes_per_second) curl_easy_setopt(curl, CURLOPT_MAX_RECV_SPEED_LARGE, curl_off_t(bytes_per_second));
    if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_mime_free(mime);
    curl_easy_cleanup(curl);
    return reply;
}
