#include "common/package_signature.h"

#include "common/hex_text.h"

#include <sodium.h>

bool signatures_available() {
    static const bool started = sodium_init() >= 0;
    return started;
}

std::optional<public_key_c> public_key_from_text(std::string_view text) {
    public_key_c key;
    if (!bytes_from_hex_text(text, key.data(), key.size())) return std::nullopt;
    return key;
}

std::string public_key_text(const public_key_c& key) { return hex_text(key.data(), key.size()); }

std::optional<signature_c> signature_from_hex(std::string_view text) {
    signature_c signature;
    if (!bytes_from_hex_text(text, signature.data(), signature.size())) return std::nullopt;
    return signature;
}

std::string signature_hex(const signature_c& signature) { return hex_text(signature.data(), signature.size()); }

bool signed_by_any(std::string_view message, const signature_c& signature, const std::vector<public_key_c>& keys) {
    if (!signatures_available()) return false;
    for (const public_key_c& key : keys) {
        if (crypto_sign_verify_detached(signature.data(), reinterpret_cast<const unsigned char*>(message.data()),
                                        message.size(), key.data()) == 0)
            return true;
    }
    return false;
}
