// trust-root.exe CERT: adds a certificate authority to the machine's trusted root store, as an
// administrator does with "certutil -addstore Root CERT". CERT is a DER file or a PEM file; the
// store is the local machine's "Root" system store, which every user's view of the roots (and
// so Schannel's chain checks) includes. Prints the authority's subject; exits 0 when added or
// already there, 1 when the file or the store failed, 2 on a wrong command line.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A PEM file's first certificate in DER; any other content is taken as DER as it is.
std::vector<BYTE> certificate_bytes(const std::string& content) {
    if (content.find("-----BEGIN CERTIFICATE-----") == std::string::npos)
        return std::vector<BYTE>(content.begin(), content.end());
    DWORD size = 0;
    if (!CryptStringToBinaryA(content.c_str(), DWORD(content.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return {};
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(content.c_str(), DWORD(content.size()), CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return {};
    der.resize(size);
    return der;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trust-root CERT\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::vector<BYTE> der = certificate_bytes(content);
    if (der.empty()) {
        std::fprintf(stderr, "trust-root: %ls holds no certificate\n", argv[1]);
        return 1;
    }
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) {
        std::fprintf(stderr, "trust-root: the machine's root store did not open (error %lu)\n", GetLastError());
        return 1;
    }
    PCCERT_CONTEXT added = nullptr;
    const BOOL ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data(), DWORD(der.size()),
                                                     CERT_STORE_ADD_REPLACE_EXISTING, &added);
    const DWORD error = GetLastError();
    int code = 0;
    if (ok && added) {
        wchar_t subject[256] = {};
        CertGetNameStringW(added, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, 256);
        std::printf("trusted root: %ls\n", subject);
        CertFreeCertificateContext(added);
    } else {
        std::fprintf(stderr, "trust-root: the certificate was not added (error 0x%08lx)\n", error);
        code = 1;
    }
    CertCloseStore(store, 0);
    return code;
}
