#include "common/file_digest.h"

#include "common/file_open.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

struct file_closer_c {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using file_c = std::unique_ptr<std::FILE, file_closer_c>;

constexpr std::size_t block_size = 1 << 20;

// Reads up to `limit` bytes into the hasher; the number read, nullopt on a read error.
std::optional<std::uint64_t> hash_stream(std::FILE* file, std::uint64_t limit, sha256_c& hasher) {
    std::vector<char> block(block_size);
    std::uint64_t total = 0;
    while (total < limit) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(block.size(), limit - total));
        const std::size_t got = std::fread(block.data(), 1, want, file);
        hasher.update(block.data(), got);
        total += got;
        if (got < want) break;
    }
    if (std::ferror(file)) return std::nullopt;
    return total;
}

}  // namespace

std::optional<sha256_digest_c> file_sha256(const std::wstring& path) {
    file_c file(open_file(path, "rb"));
    if (!file) return std::nullopt;
    sha256_c hasher;
    if (!hash_stream(file.get(), UINT64_MAX, hasher)) return std::nullopt;
    return hasher.finish();
}

bool hash_file_start(const std::wstring& path, std::uint64_t bytes, sha256_c& hasher) {
    file_c file(open_file(path, "rb"));
    if (!file) return false;
    const std::optional<std::uint64_t> read = hash_stream(file.get(), bytes, hasher);
    return read && *read == bytes;
}

bool file_matches(const std::wstring& path, std::uint64_t size, const sha256_digest_c& digest) {
    if (file_size(path) != size) return false;
    const std::optional<sha256_digest_c> actual = file_sha256(path);
    return actual && *actual == digest;
}
