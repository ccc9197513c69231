// The catalog owner's side of signed packages: the secret key, kept offline and read only by the
// catalog tool, and the signature of each offered INF file's statement (common/package_statement.h).
// The update server never reads a secret key: it serves the signatures the catalog holds.
#pragma once

#include "common/package_signature.h"
#include "server/catalog/catalog.h"

#include <array>
#include <cstdint>
#include <string>

class signing_key_c {
public:
    signing_key_c() = default;
    ~signing_key_c();
    signing_key_c(const signing_key_c&) = delete;
    signing_key_c& operator=(const signing_key_c&) = delete;

    // Reads a secret key file: the 32-byte Ed25519 seed as 64 hex digits, white space around them
    // allowed. False with an error naming the file.
    bool read(const std::string& path, std::string& error);
    const public_key_c& public_key() const { return public_key_; }
    signature_c sign(const std::string& message) const;

private:
    std::array<std::uint8_t, 64> secret_{};  // libsodium's form: the seed, then the public key
    public_key_c public_key_{};
};

// Makes a new key pair into two new files: the secret one (mode 0600) and the public one. An
// existing file is never replaced; false with an error naming the file.
bool make_signing_key_files(const std::string& secret_path, const std::string& public_path, std::string& error);

// Signs every INF file of the package with the key; the package's sha256 must be the archive's.
// False, signing nothing, when it is not a digest.
bool sign_package(catalog_package_c& package, const signing_key_c& key);
