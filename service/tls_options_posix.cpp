#include "service/tls_options.h"

#include <cstdlib>

void apply_trusted_roots(CURL* handle) {
    // libcurl's built-in bundle is the system store; a store file named the way OpenSSL itself
    // takes one replaces it.
    const char* store = std::getenv("SSL_CERT_FILE");
    if (store && *store) curl_easy_setopt(handle, CURLOPT_CAINFO, store);
}
