// Signed offers: the digest, the statement and its signature, and which items of an answer are
// believed. The signing key is made here; the program's own key does not sign test answers.
#include "common/catalog_statement.h"
#include "common/package_signature.h"
#include "common/package_statement.h"
#include "common/sha256.h"
#include "service/catalog_freshness.h"
#include "service/scan_response.h"
#include "service/update_service.h"
#include "tests/unit/test_files.h"
#include "tests/unit/test_key_pair.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <cwchar>
#include <random>

namespace {

struct offer_c {
    std::string link = "https://mirror.example/packages/intel%20chipset%202.zip";
    std::string size = "5000";
    std::string infpath = "intel chipset 2/Drivers/x64/chip.inf";
    std::string version = "10.1.2.3";
    std::string date = "2024-05-06";
    sha256_digest_c digest = sha256_of("package bytes");
    std::string sha256 = digest_hex(digest);
    std::string sig;

    // What the catalog owner signs for this offer as the catalog holds it.
    std::string statement() const {
        return package_statement({"intel chipset 2.zip", 5000, digest, "Drivers/x64/chip.inf", "10.1.2.3", "2024-05-06"});
    }
    std::string xml() const {
        std::string text = "<item><hardid>PCI\\VEN_8086</hardid><ver>" + version + "</ver><size>" + size + "</size><link>" +
                           link + "</link><infpath>" + infpath + "</infpath><date>" + date + "</date>";
        if (!sha256.empty()) text += "<sha256>" + sha256 + "</sha256>";
        if (!sig.empty()) text += "<sig>" + sig + "</sig>";
        return text + "</item>";
    }
};

// A catalog statement element as the server writes it, signed with the key.
std::string statement_xml(const key_pair_c& key, std::uint64_t serial, std::int64_t expires,
                          const std::vector<withdrawn_package_c>& withdrawn = {}) {
    const catalog_claim_c claim{serial, expires, withdrawn};
    std::string xml = "<statement serial=\"" + std::to_string(serial) + "\" expires=\"" + utc_moment_text(expires) +
                      "\" sig=\"" + key.sign(catalog_statement(claim)) + "\">";
    for (const withdrawn_package_c& package : withdrawn)
        xml += "<withdrawn sha256=\"" + digest_hex(package.sha256) + "\" reason=\"" + escaped_reason(package.reason) + "\"/>";
    return xml + "</statement>";
}

constexpr std::int64_t next_year = 2000000000;  // 2033

}  // namespace

TEST(sha256, known_digests_and_any_split_of_the_input) {
    EXPECT_EQ(digest_hex(sha256_of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digest_hex(sha256_of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // libsodium's own digest is the reference, for lengths around every block boundary and
    // pieces of every size.
    std::mt19937 random(7);
    std::string bytes(5000, '\0');
    for (char& c : bytes) c = char(random());
    for (std::size_t length = 0; length < bytes.size(); length += (length < 200 ? 1 : 331)) {
        sha256_digest_c reference;
        crypto_hash_sha256(reference.data(), reinterpret_cast<const unsigned char*>(bytes.data()), length);
        sha256_c hasher;
        for (std::size_t at = 0; at < length;) {
            const std::size_t piece = std::min<std::size_t>(length - at, random() % 150);
            hasher.update(bytes.data() + at, piece);
            at += piece;
        }
        ASSERT_EQ(hasher.finish(), reference)
            << "length " << length;
    }
    EXPECT_FALSE(digest_from_hex("00"));
    EXPECT_FALSE(digest_from_hex(std::string(63, 'a') + "g"));
    EXPECT_EQ(digest_hex(*digest_from_hex(std::string(64, 'A'))), std::string(64, 'a'));
}

TEST(package_trust, only_items_the_owner_signed_as_shown_are_kept) {
    const key_pair_c owner, stranger;
    offer_c good;
    good.sig = owner.sign(good.statement());
    offer_c raised_version = good, raised_date = good, other_inf = good, other_size = good, other_file = good;
    raised_version.version = "10.1.2.4";
    raised_date.date = "2025-01-01";
    other_inf.infpath = "intel chipset 2/Drivers/x64/evil.inf";
    other_size.size = "5001";
    other_file.link = "https://mirror.example/packages/other.zip";
    offer_c other_bytes = good, damaged_sig = good, unknown_key = good, unsigned_offer;
    other_bytes.sha256 = digest_hex(sha256_of("other bytes"));
    damaged_sig.sig[10] = damaged_sig.sig[10] == '0' ? '1' : '0';
    unknown_key.sig = stranger.sign(good.statement());
    unsigned_offer.sha256.clear();
    // Blanks the XML reader drops or condenses change nothing.
    offer_c spaced = good;
    spaced.version = "  10.1.2.3 ";
    spaced.sig = " " + good.sig + "\n";

    std::string answer = "<a>" + statement_xml(owner, 1, next_year) + "<hardwares><hardware><id>PCI\\1</id>";
    for (const offer_c* offer : {&good, &raised_version, &raised_date, &other_inf, &other_size, &other_file, &other_bytes,
                                 &damaged_sig, &unknown_key, &unsigned_offer, &spaced})
        answer += offer->xml();
    answer += "</hardware></hardwares></a>";

    for (bool allow_unsigned : {false, true}) {
        device_store_c store;
        store.devices.emplace_back();
        std::wcscpy(store.devices[0].instance_path, L"PCI\\1");
        const package_trust_c trust{{owner.public_key}, allow_unsigned};
        answer_trust_c checked(trust);
        ASSERT_TRUE(parse_scan_response(answer, store, checked));
        const device_c& device = store.devices[0];
        ASSERT_EQ(device.item_count, allow_unsigned ? 3u : 2u);
        EXPECT_EQ(checked.refused, allow_unsigned ? 8u : 9u);
        EXPECT_EQ(checked.unsigned_taken, allow_unsigned ? 1u : 0u);
        EXPECT_TRUE(device.items[0].signed_package);
        EXPECT_EQ(device.items[0].sha256, good.digest);
        EXPECT_EQ(device.items[0].inf_name, L"Drivers\\x64\\chip.inf");
        if (allow_unsigned) {
            EXPECT_FALSE(device.items[1].signed_package);
        }
    }
    // The file name is the link's last component, unescaped; query and fragment are no part of it.
    EXPECT_EQ(link_file_name("https://h/a/b%20c.zip?x=/y#z"), "b c.zip");
    EXPECT_EQ(link_file_name("https://h/a/100%.zip"), "100%.zip");
}

TEST(package_trust, unsigned_items_are_taken_only_from_the_mirrors_the_policy_names) {
    offer_c unsigned_offer;
    unsigned_offer.sha256.clear();
    const std::string answer =
        "<a><hardwares><hardware><id>PCI\\1</id>" + unsigned_offer.xml() + "</hardware></hardwares></a>";
    update_service_c service;
    service.unsigned_mirrors = {"http://private.example/"};
    machine_description_c machine;
    for (const char* mirror : {"http://private.example/", "http://other.example/", ""}) {
        SCOPED_TRACE(mirror);
        device_store_c store;
        store.devices.emplace_back();
        std::wcscpy(store.devices[0].instance_path, L"PCI\\1");
        const query_outcome_c outcome = apply_scan_answer(service, store, machine, answer, mirror);
        const bool named = std::string(mirror) == "http://private.example/";
        EXPECT_EQ(store.devices[0].item_count, named ? 1u : 0u);
        // Elsewhere an answer not signed as a whole is refused before any item is read.
        EXPECT_EQ(outcome.failure, named ? failure_code_c::none : failure_code_c::catalog_refused);
    }
}

TEST(catalog_statement, a_stale_foreign_or_missing_statement_refuses_the_answer_and_withdrawn_packages_are_dropped) {
    const key_pair_c owner, stranger;
    offer_c good;
    good.sig = owner.sign(good.statement());
    scratch_folder_c folder;
    update_service_c service;
    service.trust = package_trust_c{{owner.public_key}, false};
    service.catalog_record_file = (folder.path() / "catalog.dat").wstring();
    const machine_description_c machine;
    const std::vector<withdrawn_package_c> withdrawn{{good.digest, "Bricks the NIC \xE2\x80\x93 \"fixed\" in 10.1.2.4"}};
    auto scan = [&](const std::string& statement, device_store_c& store) {
        store.devices.emplace_back();
        device_c& device = store.devices[0];
        std::wcscpy(device.instance_path, L"PCI\\1");
        device.has_driver = true;  // runs the very package offered
        std::wcscpy(device.driver_version, L"10.1.2.3");
        std::wcscpy(device.driver_date, L"2024-05-06");
        const std::string answer =
            "<a>" + statement + "<hardwares><hardware><id>PCI\\1</id>" + good.xml() + "</hardware></hardwares></a>";
        return apply_scan_answer(service, store, machine, answer);
    };

    device_store_c store;
    query_outcome_c outcome = scan(statement_xml(owner, 100, next_year, withdrawn), store);
    ASSERT_TRUE(outcome.succeeded()) << outcome.failure_text;
    EXPECT_EQ(store.devices[0].item_count, 0u);
    EXPECT_EQ(outcome.items_withdrawn, 1u);
    EXPECT_EQ(store.devices[0].withdrawn_reason, L"Bricks the NIC \x2013 \"fixed\" in 10.1.2.4");
    // Remembered: the serial for the next answers, the withdrawal for packages downloaded before.
    EXPECT_EQ(read_catalog_record(service.catalog_record_file).serial, 100u);
    EXPECT_EQ(withdrawn_problem(service.catalog_record_file, good.digest),
              "withdrawn by the catalog owner: Bricks the NIC \xE2\x80\x93 \"fixed\" in 10.1.2.4");
    EXPECT_EQ(withdrawn_problem(service.catalog_record_file, sha256_of("other")), "");

    // Each refused before anything is stored, with the reason in words.
    std::string stripped = statement_xml(owner, 101, next_year, withdrawn);
    stripped.erase(stripped.find("<withdrawn"), stripped.find("</statement>") - stripped.find("<withdrawn"));
    const std::int64_t now = std::time(nullptr);
    for (const auto& [statement, reason] : std::vector<std::pair<std::string, std::string>>{
             {statement_xml(owner, 99, next_year), "older than one this PC has already seen (statement 100)"},
             {statement_xml(owner, 200, now - 60), "expired on " + utc_moment_text(now - 60)},
             {statement_xml(stranger, 200, next_year), "not signed by the catalog owner"},
             {stripped, "not signed by the catalog owner"},
             {"", "no signed catalog statement"}}) {
        device_store_c refused_store;
        outcome = scan(statement, refused_store);
        EXPECT_EQ(outcome.failure, failure_code_c::catalog_refused) << statement;
        EXPECT_NE(outcome.failure_text.find(reason), std::string::npos) << outcome.failure_text;
        EXPECT_EQ(refused_store.devices[0].item_count, 0u);
    }
    EXPECT_EQ(read_catalog_record(service.catalog_record_file).serial, 100u);

    // A newer statement that no longer withdraws it offers the package again.
    outcome = scan(statement_xml(owner, 102, next_year), store = {});
    EXPECT_EQ(store.devices[0].item_count, 1u);
    EXPECT_TRUE(store.devices[0].withdrawn_reason.empty());
    EXPECT_EQ(withdrawn_problem(service.catalog_record_file, good.digest), "");
}

TEST(catalog_statement, moments_read_back_as_written_and_nothing_else_reads) {
    for (std::int64_t seconds : {std::int64_t(0), std::int64_t(951782400) /* 2000-02-29 */, next_year})
        EXPECT_EQ(utc_moment_from_text(utc_moment_text(seconds)), seconds);
    EXPECT_EQ(utc_moment_text(951782400), "2000-02-29T00:00:00Z");
    for (const char* text : {"2021-02-29T00:00:00Z", "2021-13-01T00:00:00Z", "2021-01-01T24:00:00Z", "2021-01-01 00:00:00Z",
                             "1969-12-31T23:59:59Z", "2021-01-01T00:00:00", "+021-01-01T00:00:00Z"})
        EXPECT_FALSE(utc_moment_from_text(text)) << text;
    EXPECT_EQ(reason_from_escaped(escaped_reason("a <b> & \"c\" 100% \xC3\xBC")), "a <b> & \"c\" 100% \xC3\xBC");
    EXPECT_EQ(escaped_reason("x y<"), "x%20y%3C");
}
