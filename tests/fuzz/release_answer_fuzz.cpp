// The updater's reading of a mirror's GET /release answer: the bytes come from the network as
// they are. The reading must never fault, and a release it believes (only one its key signed,
// which the fuzzer cannot forge) must be a version and a program to run. The first line of the
// input is the running version, the rest the answer.
#include "common/package_signature.h"
#include "service/release_answer.h"

#include <sodium.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const public_key_c key = [] {
        public_key_c made{};
        unsigned char secret[crypto_sign_SECRETKEYBYTES];
        const unsigned char seed[crypto_sign_SEEDBYTES] = {7};
        if (!signatures_available()) std::abort();
        crypto_sign_seed_keypair(made.data(), secret, seed);
        return made;
    }();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t line_end = input.find('\n');
    const std::string_view running = input.substr(0, line_end);
    const std::string_view answer = line_end == std::string_view::npos ? std::string_view() : input.substr(line_end + 1);
    const release_check_c check = check_release_answer(answer, {key}, running);
    if (check.verdict == release_verdict_c::newer || check.verdict == release_verdict_c::up_to_date) {
        // Believed: the running version is a version, and the offer is a program to run.
        if (!compare_versions(running, check.offer.version)) std::abort();
        if (check.offer.size == 0 || check.offer.file_name.size() < 5) std::abort();
    }
    return 0;
}
