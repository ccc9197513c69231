#include "server/catalog/package_signing.h"

#include "common/hex_text.h"
#include "common/package_statement.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

bool write_all(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += std::size_t(wrote);
    }
    return ::fsync(fd) == 0;
}

// A new file, never one that is there already.
int create_new(const std::string& path, mode_t mode, std::string& error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        error = errno == EEXIST ? path + " exists already: a key file is never replaced"
                                : "cannot create " + path + ": " + std::strerror(errno);
        return -1;
    }
    if (::fchmod(fd, mode) != 0) {
        error = "cannot set the mode of " + path + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return -1;
    }
    return fd;
}

}  // namespace

signing_key_c::~signing_key_c() { sodium_memzero(secret_.data(), secret_.size()); }

bool signing_key_c::read(const std::string& path, std::string& error) {
    if (!signatures_available()) return error = "libsodium cannot start: no signing", false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return error = "cannot read the signing key " + path + ": " + std::strerror(errno), false;
    char text[256];
    std::size_t length = std::fread(text, 1, sizeof text, file.get());
    if (std::ferror(file.get())) return error = "cannot read the signing key " + path + ": " + std::strerror(errno), false;
    std::uint8_t seed[crypto_sign_SEEDBYTES];
    bool parsed = length < sizeof text && bytes_from_hex_text(std::string_view(text, length), seed, sizeof seed);
    sodium_memzero(text, sizeof text);
    if (!parsed) return error = "the signing key " + path + " holds no Ed25519 secret key (64 hex digits)", false;
    crypto_sign_seed_keypair(public_key_.data(), secret_.data(), seed);
    sodium_memzero(seed, sizeof seed);
    return true;
}

signature_c signing_key_c::sign(const std::string& message) const {
    signature_c signature{};
    crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                         secret_.data());
    return signature;
}

bool make_signing_key_files(const std::string& secret_path, const std::string& public_path, std::string& error) {
    if (!signatures_available()) return error = "libsodium cannot start: no key made", false;
    int secret_fd = create_new(secret_path, 0600, error);
    if (secret_fd < 0) return false;
    int public_fd = create_new(public_path, 0644, error);
    if (public_fd < 0) {
        ::close(secret_fd);
        ::unlink(secret_path.c_str());
        return false;
    }
    std::uint8_t seed[crypto_sign_SEEDBYTES], secret[crypto_sign_SECRETKEYBYTES];
    public_key_c key;
    randombytes_buf(seed, sizeof seed);
    crypto_sign_seed_keypair(key.data(), secret, seed);
    std::string seed_text = hex_text(seed, sizeof seed) + "\n";
    bool written = write_all(secret_fd, seed_text);
    sodium_memzero(seed, sizeof seed);
    sodium_memzero(secret, sizeof secret);
    sodium_memzero(seed_text.data(), seed_text.size());
    std::string written_path = secret_path;
    if (written) {
        written_path = public_path;
        written = write_all(public_fd, public_key_text(key) + "\n");
    }
    int closed = ::close(secret_fd) | ::close(public_fd);
    if (written && closed == 0) return true;
    error = "cannot write " + written_path + ": " + std::strerror(errno);
    ::unlink(secret_path.c_str());
    ::unlink(public_path.c_str());
    return false;
}

bool sign_package(catalog_package_c& package, const signing_key_c& key) {
    std::optional<sha256_digest_c> digest = digest_from_hex(package.sha256);
    if (!digest) return false;
    package_claim_c claim;
    claim.file_name = package.file_name;
    claim.size = package.size;
    claim.sha256 = *digest;
    for (catalog_inf_c& inf : package.infs) {
        claim.inf_path = inf.inf_path;
        claim.version = inf.driver_version;
        claim.date = inf.driver_date;
        inf.signature = signature_hex(key.sign(package_statement(claim)));
    }
    return true;
}
