#include "service/tls_options.h"

#include <initializer_list>

namespace {

bool contains_any(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (text.find(word) != std::string::npos) return true;
    return false;
}

// The reasons of OpenSSL and of Schannel (its own and libcurl's chain check) in a person's words.
const char* reason_in_words(const std::string& reason) {
    if (contains_any(reason, {"PARTIAL_CHAIN", "UNTRUSTED_ROOT", "unable to get local issuer", "self-signed certificate",
                              "self signed certificate", "unable to get issuer"}))
        return "its certificate comes from an authority that is not trusted";
    if (contains_any(reason, {"NOT_TIME_VALID", "CERT_EXPIRED", "has expired", "not yet valid"}))
        return "its certificate has expired or is not valid yet";
    if (contains_any(reason, {"REVOKED", "revoked"})) return "its certificate has been revoked";
    if (contains_any(reason, {"failed to match", "WRONG_PRINCIPAL", "does not match", "subject name"}))
        return "its certificate is made out to another name";
    return "the TLS handshake failed";
}

}  // namespace

void apply_tls_verification(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Revocation (Schannel; OpenSSL ignores the option): an answer that says "revoked" refuses the
    // certificate; a list or responder that cannot be reached (an authority of a company network
    // often has none) does not.
    curl_easy_setopt(handle, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_REVOKE_BEST_EFFORT));
}

bool is_tls_refusal(CURLcode code) {
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
        return true;
    default:
        return false;
    }
}

std::string url_host(const std::string& url) {
    const std::size_t scheme_end = url.find("://");
    if (scheme_end == std::string::npos) return url;
    const std::size_t start = scheme_end + 3;
    const std::size_t end = url.find_first_of("/?#", start);
    std::string host = url.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // A user name and password never reach a message.
    const std::size_t at = host.rfind('@');
    return at == std::string::npos ? host : host.substr(at + 1);
}

std::string tls_refusal_reason(CURLcode code, const char* error_buffer) {
    if (!is_tls_refusal(code)) return std::string();
    const std::string reason = error_buffer && *error_buffer ? error_buffer : curl_easy_strerror(code);
    return std::string("the secure connection was refused (") + reason_in_words(reason) + "): " + reason;
}

std::string tls_refusal_text(const char* url, CURLcode code, const char* error_buffer) {
    std::string reason = tls_refusal_reason(code, error_buffer);
    return reason.empty() ? reason : url_host(url ? url : "") + ": " + reason;
}
