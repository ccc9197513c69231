// Ed25519 signatures (libsodium) over package statements and release records: the keys as their
// files hold them, and the check. Signing happens only in the catalog tool, with a key kept
// offline; everything else only checks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using public_key_c = std::array<std::uint8_t, 32>;
using signature_c = std::array<std::uint8_t, 64>;

// A public key file's text: 64 hex digits, white space around them allowed.
std::optional<public_key_c> public_key_from_text(std::string_view text);
std::string public_key_text(const public_key_c& key);

// 128 hex digits, white space around them allowed.
std::optional<signature_c> signature_from_hex(std::string_view text);
std::string signature_hex(const signature_c& signature);

// True when one of the keys made this signature of exactly these bytes.
bool signed_by_any(std::string_view message, const signature_c& signature, const std::vector<public_key_c>& keys);

// False when libsodium cannot start (no usable random source): nothing may be trusted then.
bool signatures_available();
