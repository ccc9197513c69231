#include "service/tls_options.h"

#include "common/wine_detection_win.h"

#include <windows.h>
#include <wincrypt.h>

namespace {

// The certificates of the trusted root store (the machine's and the user's roots, as Windows
// merges them), as PEM text.
std::string root_store_pem() {
    std::string pem;
    HCERTSTORE store = CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return pem;
    for (PCCERT_CONTEXT certificate = nullptr; (certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr;) {
        DWORD size = 0;
        if (!CryptBinaryToStringA(certificate->pbCertEncoded, certificate->cbCertEncoded, CRYPT_STRING_BASE64HEADER, nullptr,
                                  &size))
            continue;
        std::string text(size, '\0');
        if (!CryptBinaryToStringA(certificate->pbCertEncoded, certificate->cbCertEncoded, CRYPT_STRING_BASE64HEADER, &text[0],
                                  &size))
            continue;
        text.resize(size);
        pem += text;
    }
    CertCloseStore(store, 0);
    return pem;
}

}  // namespace

void apply_trusted_roots(CURL* handle) {
    // Schannel checks the chain against the root store itself.
    if (!running_on_wine()) return;
    // Wine's Schannel accepts any certificate: given the roots, libcurl builds and checks the
    // chain itself through crypt32 against exactly these. They are read once per process (a root
    // added later counts from the next start). Should the store give nothing, a text without any
    // certificate still makes libcurl check, and refuse every server.
    static const std::string roots = root_store_pem();
    static const std::string none = "no trusted roots";
    const std::string& text = roots.empty() ? none : roots;
    curl_blob blob{const_cast<char*>(text.data()), text.size(), CURL_BLOB_COPY};
    curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
}
