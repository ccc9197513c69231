// The TLS settings of every transfer handle, and the words for a transfer that TLS refused.
//
// https links are checked as a browser checks them: the server's certificate must chain to a
// trusted root, be valid today and name the host. The trusted roots are the system's:
// - Windows: the root store, where an administrator adds an authority of his own. Schannel checks
//   the chain, with the revocation of every certificate in it checked where its list or responder
//   is reachable. Wine's Schannel checks nothing at all (it accepts any certificate), so under
//   Wine libcurl checks the chain itself against the roots of that same store, through crypt32;
//   its name check there knows DNS names only, so a mirror named by its IP address is refused.
// - Linux (OpenSSL): the bundle libcurl was built with, or the file that SSL_CERT_FILE names (as
//   OpenSSL's own lookup of its default store honours it).
#pragma once

#include <curl/curl.h>

#include <string>

// Sets verification of the peer and its host name and the revocation check.
void apply_tls_verification(CURL* handle);

// The trusted roots that verification checks against, for a handle about to make an https
// request (the platform's part: reading them is slow under Wine, so plain requests do without).
void apply_trusted_roots(CURL* handle);

// A failure that no retry mends: the certificate or the TLS handshake itself was refused.
bool is_tls_refusal(CURLcode code);

// "the secure connection was refused (<why, in words>): <libcurl's reason>" for a transfer that
// TLS refused, the reason from libcurl's error buffer when it holds one, else from the code; empty
// for any other outcome.
std::string tls_refusal_reason(CURLcode code, const char* error_buffer);

// The same after "<host>: ", the host taken from the URL.
std::string tls_refusal_text(const char* url, CURLcode code, const char* error_buffer);

// The host of a URL ("127.0.0.1:8443" for "https://127.0.0.1:8443/x"), or the URL when it has no
// scheme.
std::string url_host(const std::string& url);
