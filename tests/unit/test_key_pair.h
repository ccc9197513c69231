// A signing key pair made for one test: what the catalog owner's offline key does, with a key the
// programs do not trust.
#pragma once

#include "common/package_signature.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <string>

struct key_pair_c {
    public_key_c public_key{};
    unsigned char secret[crypto_sign_SECRETKEYBYTES] = {};
    key_pair_c() {
        EXPECT_TRUE(signatures_available());
        crypto_sign_keypair(public_key.data(), secret);
    }
    // The signature of `message`, in hex as the answers carry it.
    std::string sign(const std::string& message) const {
        signature_c signature;
        crypto_sign_detached(signature.data(), nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                             message.size(), secret);
        return signature_hex(signature);
    }
};
