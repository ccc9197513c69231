// The updater's reading of GET /release: a release is believed only as the publisher signed it,
// and offered only when it is newer than the running program.
#include "common/package_signature.h"
#include "common/release_statement.h"
#include "service/release_answer.h"
#include "tests/unit/test_key_pair.h"

#include <gtest/gtest.h>
#include <sodium.h>

namespace {

// A release as the server writes it, signed by `key` as the catalog tool signs it.
struct release_c {
    std::string version = "1.2.0";
    std::string link = "http://127.0.0.1:8080/packages/Vantorel-Setup-1.2.0.exe";
    std::string size = "4096";
    sha256_digest_c digest = sha256_of("installer bytes");
    std::string sha256 = digest_hex(digest);
    std::string sig;

    explicit release_c(const key_pair_c& key) { sig = key.sign(release_statement({"Vantorel-Setup-1.2.0.exe", 4096, digest, "1.2.0"})); }
    std::string xml() const {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<release>\n<version>" + version + "</version>\n<link>" + link +
               "</link>\n<size>" + size + "</size>\n<sha256>" + sha256 + "</sha256>\n<sig>" + sig + "</sig>\n</release>\n";
    }
};

}  // namespace

TEST(release_versions, compare_number_by_number_and_refuse_what_is_no_version) {
    EXPECT_EQ(compare_versions("1.2.0", "1.1.0"), 1);
    EXPECT_EQ(compare_versions("1.10", "1.9.9"), 1);  // numbers, not text
    EXPECT_EQ(compare_versions("1.1", "1.1.0"), 0);
    EXPECT_EQ(compare_versions("1.1.0", "1.1.0.1"), -1);
    EXPECT_EQ(compare_versions("2", "10"), -1);
    for (const char* bad : {"", "1.", ".1", "1..2", "1.2a", "-1", "1.2.3.4.5.6.7", "1234567890", " 1"})
        EXPECT_FALSE(compare_versions(bad, "1.0")) << bad;
}

TEST(release_answer, a_signed_release_is_offered_only_when_newer) {
    const key_pair_c key;
    const release_c release(key);
    release_check_c check = check_release_answer(release.xml(), {key.public_key}, "1.1.0");
    ASSERT_EQ(check.verdict, release_verdict_c::newer) << check.reason;
    EXPECT_EQ(check.offer.version, "1.2.0");
    EXPECT_EQ(check.offer.link, release.link);
    EXPECT_EQ(check.offer.file_name, "Vantorel-Setup-1.2.0.exe");
    EXPECT_EQ(check.offer.size, 4096u);
    EXPECT_EQ(check.offer.sha256, release.digest);
    EXPECT_EQ(check_release_answer(release.xml(), {key.public_key}, "1.2.0").verdict, release_verdict_c::up_to_date);
    EXPECT_EQ(check_release_answer(release.xml(), {key.public_key}, "1.10").verdict, release_verdict_c::up_to_date);
    // Another mirror's link to the same file is the same release.
    release_c elsewhere = release;
    elsewhere.link = "https://mirror.example/x/Vantorel-Setup-1.2.0.exe";
    EXPECT_EQ(check_release_answer(elsewhere.xml(), {key.public_key}, "1.1.0").verdict, release_verdict_c::newer);
}

TEST(release_answer, a_changed_field_an_unknown_key_or_a_bad_signature_is_refused) {
    const key_pair_c key, stranger;
    const release_c release(key);
    std::vector<release_c> changed(7, release);
    changed[0].sha256[10] = changed[0].sha256[10] == '0' ? '1' : '0';        // one digit of the digest
    changed[1].size = "4097";                                                  // the size
    changed[2].version = "1.3.0";                                              // the version
    changed[3].link = "http://127.0.0.1:8080/packages/Other-Setup-1.2.0.exe";  // the file
    changed[4].sig[0] = changed[4].sig[0] == 'a' ? 'b' : 'a';                  // the signature
    changed[5].sig = release_c(stranger).sig;                                  // signed by an unknown key
    changed[6].sig.clear();                                                    // not signed
    for (std::size_t i = 0; i < changed.size(); ++i) {
        release_check_c check = check_release_answer(changed[i].xml(), {key.public_key}, "1.1.0");
        EXPECT_EQ(check.verdict, release_verdict_c::refused) << i;
        EXPECT_FALSE(check.reason.empty()) << i;
    }
    // Without trusted keys nothing is believed.
    EXPECT_EQ(check_release_answer(release.xml(), {}, "1.1.0").verdict, release_verdict_c::refused);
}

TEST(release_answer, a_signed_release_that_is_no_program_to_run_is_refused_and_other_answers_are_unreadable) {
    const key_pair_c key;
    auto signed_release = [&key](const std::string& name, std::uint64_t size, const std::string& version, const std::string& link) {
        release_c release(key);
        release.version = version;
        release.link = link;
        release.size = std::to_string(size);
        release.sig = key.sign(release_statement({name, size, release.digest, version}));
        return release;
    };
    for (const release_c& release : {signed_release("setup.zip", 10, "2.0", "http://h/setup.zip"),
                                     signed_release("setup.exe", 10, "2.0", "ftp://h/setup.exe"),
                                     signed_release("setup.exe", 0, "2.0", "http://h/setup.exe"),
                                     signed_release("setup.exe", 1ull << 32, "2.0", "http://h/setup.exe"),
                                     signed_release("setup.exe", 10, "2.0beta", "http://h/setup.exe")})
        EXPECT_EQ(check_release_answer(release.xml(), {key.public_key}, "1.0").verdict, release_verdict_c::refused)
            << release.xml();
    const std::string deep = std::string(100, '<') + "release>";
    for (const std::string& answer : {std::string(), std::string("no release\n"), std::string("<answer/>"),
                                      std::string("<release><version>2</version></release>"), deep,
                                      release_c(key).xml().substr(0, 120), std::string(release_answer_limit + 1, ' ')})
        EXPECT_EQ(check_release_answer(answer, {key.public_key}, "1.0").verdict, release_verdict_c::unreadable) << answer;
}
