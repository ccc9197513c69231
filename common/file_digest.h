// SHA-256 of files on disk: a downloaded package before it counts as complete and again before it
// is unpacked, a backup archive before it is restored.
#pragma once

#include "common/sha256.h"

#include <cstdint>
#include <optional>
#include <string>

// The digest of the whole file; nullopt when it cannot be read to its end.
std::optional<sha256_digest_c> file_sha256(const std::wstring& path);

// Feeds the first `bytes` bytes of the file to the hasher; false when the file is shorter or
// cannot be read.
bool hash_file_start(const std::wstring& path, std::uint64_t bytes, sha256_c& hasher);

// True when the file has exactly this size and digest.
bool file_matches(const std::wstring& path, std::uint64_t size, const sha256_digest_c& digest);
