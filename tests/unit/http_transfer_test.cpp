// The transfer layer against a real HTTP server on 127.0.0.1 that misbehaves on request.
#include "common/file_open.h"
#include "common/sha256.h"
#include "service/http_transfer.h"
#include "tests/unit/fault_server_access.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

constexpr download_attempt_c performed = download_attempt_c::performed;
constexpr download_attempt_c not_started = download_attempt_c::not_started;

// A job that waits little between attempts and takes two seconds without data for a stall.
struct quick_job_c : transfer_job_c {
    quick_job_c() {
        retry_wait_ms = 100;
        low_speed_time_s = 2;
    }
};

class http_transfer_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() { http_global_init(); }

    void SetUp() override {
        base_ = fault_server_access_c::base_url();
        if (base_.empty()) GTEST_SKIP() << "no fault server";
    }

    std::string url(const std::string& path) const { return base_ + path; }
    std::wstring target(const char* name) const { return (folder_.path() / name).wstring(); }

    static std::string read_file(const std::wstring& path) {
        std::FILE* file = open_file(path, "rb");
        if (!file) return "(missing)";
        std::string bytes;
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
        std::fclose(file);
        return bytes;
    }
    static std::string pattern(std::uint64_t from, std::uint64_t count) {
        std::string bytes(count, '\0');
        for (std::uint64_t i = 0; i < count; ++i) bytes[i] = char(expected_pattern_byte(from + i));
        return bytes;
    }

    std::string base_;
    scratch_folder_c folder_;
};

}  // namespace

TEST_F(http_transfer_test, memory_body_fills_capacity_minus_one_and_one_more_fails) {
    auto transfer = create_transfer(1000);
    ASSERT_TRUE(transfer);
    const transfer_result_c& fits = transfer->get(url("/bytes/999"));
    EXPECT_EQ(fits.code, 0);
    EXPECT_EQ(fits.http_status, 200);
    ASSERT_EQ(fits.body->length, 999);
    EXPECT_EQ(std::string(fits.body->data.data(), 999), pattern(0, 999));
    EXPECT_EQ(fits.body->data[999], '\0');
    ASSERT_NE(fits.content_type, nullptr);
    EXPECT_STREQ(fits.content_type, "application/octet-stream");

    const transfer_result_c& too_long = transfer->get(url("/bytes/1000"));
    EXPECT_EQ(too_long.code, CURLE_WRITE_ERROR);
    EXPECT_EQ(too_long.content_type, nullptr);
}

TEST_F(http_transfer_test, error_statuses_refusals_and_redirects) {
    auto transfer = create_transfer(4096);
    const transfer_result_c& missing = transfer->get(url("/status/404"));
    EXPECT_EQ(missing.code, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(missing.http_status, 404);

    // Port 1 on the loopback has no listener: the connection is refused.
    const transfer_result_c& refused = transfer->get("http://127.0.0.1:1/");
    EXPECT_NE(refused.code, 0);
    EXPECT_EQ(refused.http_status, 504);

    const transfer_result_c& moved = transfer->get(url("/redirect?to=/bytes/10"));
    EXPECT_EQ(moved.code, 0);
    EXPECT_EQ(moved.http_status, 200);
    EXPECT_EQ(moved.body->length, 10);

    // A plain link may lead to https: it is followed there (nothing listens on port 1).
    const transfer_result_c& secure = transfer->get(url("/redirect?to=https://127.0.0.1:1/x"));
    EXPECT_EQ(secure.code, CURLE_COULDNT_CONNECT);
}

TEST_F(http_transfer_test, a_multipart_form_is_posted_once) {
    auto transfer = create_transfer(65536);
    const std::string binary("z\0x\x9C", 4);
    const transfer_result_c& posted = transfer->post_form(url("/echo"), {{"kelvdoc", binary}});
    EXPECT_EQ(posted.code, 0);
    std::string echoed(posted.body->data.data(), std::size_t(posted.body->length));
    EXPECT_NE(echoed.find("POST /echo"), std::string::npos);
    EXPECT_NE(echoed.find("multipart/form-data"), std::string::npos);
    EXPECT_NE(echoed.find("name=\"kelvdoc\""), std::string::npos);
    EXPECT_NE(echoed.find(binary), std::string::npos);
    EXPECT_NE(echoed.find("Connection: close"), std::string::npos);
    // The next request of the transfer is a plain GET again.
    const transfer_result_c& got = transfer->get(url("/echo"));
    EXPECT_EQ(std::string(got.body->data.data(), std::size_t(got.body->length)).rfind("GET /echo", 0), 0u);
}

TEST_F(http_transfer_test, schemes_http_in_capitals_and_https_are_taken_others_refused_without_a_file) {
    auto transfer = create_transfer(0);
    quick_job_c job;
    job.expected_size = 100;
    EXPECT_EQ(transfer->download_file(url("/bytes/100").replace(0, 4, "HTTP"), target("a.bin"), job), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(read_file(target("a.bin")), pattern(0, 100));

    quick_job_c secure;
    secure.expected_size = 100;
    EXPECT_EQ(transfer->download_file("https://127.0.0.1:1/x", target("b.bin"), secure), performed);
    EXPECT_EQ(secure.code, CURLE_COULDNT_CONNECT);

    quick_job_c other;
    other.expected_size = 100;
    EXPECT_EQ(transfer->download_file("gopher://127.0.0.1:1/x", target("c.bin"), other), not_started);
    EXPECT_EQ(other.code, CURLE_URL_MALFORMAT);
    EXPECT_EQ(read_file(target("c.bin")), "(missing)");
}

TEST_F(http_transfer_test, resume_asks_for_the_rest_and_appends) {
    auto transfer = create_transfer(0);
    std::ofstream(folder_.path() / "r.bin", std::ios::binary) << pattern(0, 400);
    quick_job_c job;
    job.expected_size = 1000;
    job.bytes_done = 400;
    ASSERT_EQ(transfer->download_file(url("/bytes/1000"), target("r.bin"), job), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.http_status, 206);
    EXPECT_EQ(job.bytes_done.load(), 1000u);
    EXPECT_EQ(read_file(target("r.bin")), pattern(0, 1000));
}

TEST_F(http_transfer_test, a_server_ignoring_the_range_trips_the_limit_and_the_retry_starts_over) {
    std::ofstream(folder_.path() / "i.bin", std::ios::binary) << pattern(0, 400);
    quick_job_c job;
    job.expected_size = 1000;
    job.bytes_done = 400;
    ASSERT_EQ(download_with_retries(url("/bytes/1000?range=ignore"), job, target("i.bin")), performed);
    EXPECT_EQ(job.failure, failure_code_c::oversize);  // the first attempt's, retried
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.bytes_done.load(), 1000u);
    EXPECT_EQ(read_file(target("i.bin")), pattern(0, 1000));
}

TEST_F(http_transfer_test, an_error_page_never_reaches_the_file) {
    quick_job_c job;
    job.expected_size = 1000;
    auto transfer = create_transfer(0);
    ASSERT_EQ(transfer->download_file(url("/status/503"), target("e.bin"), job), performed);
    EXPECT_EQ(job.code, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(job.http_status, 503);
    EXPECT_EQ(job.bytes_done.load(), 0u);
    EXPECT_EQ(read_file(target("e.bin")), "");
    // The good server afterwards gives exactly the package.
    ASSERT_EQ(transfer->download_file(url("/bytes/1000"), target("e.bin"), job), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(read_file(target("e.bin")), pattern(0, 1000));
}

TEST_F(http_transfer_test, dropped_connections_resume_and_complete_within_the_retries) {
    quick_job_c job;
    job.expected_size = 300000;
    // Every answer stops after 100000 bytes of the (remaining) body; four attempts finish it.
    ASSERT_EQ(download_with_retries(url("/bytes/300000?drop_after=100000"), job, target("d.bin")), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.bytes_done.load(), 300000u);
    EXPECT_EQ(read_file(target("d.bin")), pattern(0, 300000));
}

TEST_F(http_transfer_test, a_stall_ends_the_attempt_and_stop_keeps_the_file) {
    auto transfer = create_transfer(0);
    quick_job_c job;
    job.expected_size = 5000;
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(transfer->download_file(url("/bytes/5000?stall_after=2000"), target("s.bin"), job), performed);
    EXPECT_EQ(job.code, CURLE_OPERATION_TIMEDOUT);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_EQ(job.bytes_done.load(), 2000u);

    quick_job_c stopped;
    stopped.expected_size = 5000;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stopped.stop = 1;
    });
    ASSERT_EQ(download_with_retries(url("/bytes/5000?stall_after=3000"), stopped, target("p.bin")), performed);
    stopper.join();
    EXPECT_EQ(stopped.code, 0);
    EXPECT_EQ(stopped.bytes_done.load(), 3000u);
    EXPECT_EQ(read_file(target("p.bin")), pattern(0, 3000));
}

TEST_F(http_transfer_test, a_download_stopped_inside_a_block_resumes_to_the_exact_bytes_and_digest) {
    constexpr std::uint32_t size = 3 * 1024 * 1024 + 4321;
    const std::string bytes = pattern(0, size);
    sha256_c digest;
    quick_job_c job;
    job.expected_size = size;
    job.digest = &digest;
    // Stopped once the first block is counted, while the next one gathers (the server holds it
    // back); the count never names more bytes than the file holds.
    std::uint32_t counted = 0;
    std::uint64_t on_disk = 0;
    std::thread stopper([&] {
        for (int i = 0; i < 1000 && job.bytes_done.load() < 1024 * 1024; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        counted = job.bytes_done.load();
        on_disk = file_size(target("b.bin")).value_or(0);
        job.stop = 1;
    });
    const std::string whole = url("/bytes/" + std::to_string(size));
    const std::string held = whole + "?stall_after=" + std::to_string(1024 * 1024 + 1000);
    ASSERT_EQ(download_with_retries(held, job, target("b.bin")), performed);
    stopper.join();
    EXPECT_GE(counted, 1024u * 1024u);
    EXPECT_LE(counted, on_disk);
    const std::uint32_t done = job.bytes_done.load();
    EXPECT_EQ(read_file(target("b.bin")), bytes.substr(0, done));
    EXPECT_EQ(digest.bytes(), done);

    job.stop = 0;
    ASSERT_EQ(download_with_retries(whole, job, target("b.bin")), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.http_status, 206);
    EXPECT_EQ(read_file(target("b.bin")), bytes);
    EXPECT_EQ(digest.finish(), sha256_of(bytes));
}

TEST_F(http_transfer_test, more_bytes_than_announced_are_refused_by_the_size_limit) {
    auto transfer = create_transfer(0);
    quick_job_c job;
    job.expected_size = 1000;
    ASSERT_EQ(transfer->download_file(url("/bytes/1000?extra=500"), target("x.bin"), job), performed);
    EXPECT_LE(job.bytes_done.load(), 1000u);
    EXPECT_EQ(read_file(target("x.bin")), pattern(0, job.bytes_done.load()));
}

TEST_F(http_transfer_test, only_spaces_are_escaped_and_sent_as_such) {
    EXPECT_EQ(escape_url_spaces("http://h/a b/c d.zip"), "http://h/a%20b/c%20d.zip");
    EXPECT_EQ(escape_url_spaces("http://h/a+b%41~!$&'()*,;=:@/x.zip"), "http://h/a+b%41~!$&'()*,;=:@/x.zip");
    EXPECT_EQ(escape_url_spaces("http://h/a b?q=c d#e f"), "http://h/a%20b?q=c d#e f");
    // Links hold up to 3072 bytes; the request goes to the whole link.
    const std::string longest = "http://h/" + std::string(3063, 'a');
    EXPECT_EQ(escape_url_spaces(longest), longest);

    quick_job_c job;
    job.expected_size = 100000;
    download_with_retries(url("/echo/a b+c.zip"), job, target("echo.txt"));
    std::string sent = read_file(target("echo.txt"));
    EXPECT_EQ(sent.rfind("GET /echo/a%20b+c.zip HTTP/1.1", 0), 0u) << sent;
}

TEST_F(http_transfer_test, a_resume_first_makes_the_file_and_the_count_agree) {
    auto transfer = create_transfer(0);
    // A failed flush left 100 bytes the count does not know about: they are cut off.
    std::ofstream(folder_.path() / "long.bin", std::ios::binary) << pattern(0, 400) << std::string(100, 'X');
    quick_job_c longer;
    longer.expected_size = 1000;
    longer.bytes_done = 400;
    ASSERT_EQ(transfer->download_file(url("/bytes/1000"), target("long.bin"), longer), performed);
    EXPECT_EQ(longer.code, 0);
    EXPECT_EQ(read_file(target("long.bin")), pattern(0, 1000));

    // A file shorter than the count resumes from its own end.
    std::ofstream(folder_.path() / "short.bin", std::ios::binary) << pattern(0, 300);
    quick_job_c shorter;
    shorter.expected_size = 1000;
    shorter.bytes_done = 400;
    ASSERT_EQ(transfer->download_file(url("/bytes/1000"), target("short.bin"), shorter), performed);
    EXPECT_EQ(shorter.code, 0);
    EXPECT_EQ(shorter.bytes_done.load(), 1000u);
    EXPECT_EQ(read_file(target("short.bin")), pattern(0, 1000));
}

TEST_F(http_transfer_test, a_partial_file_holding_every_byte_is_complete_without_a_request) {
    auto transfer = create_transfer(0);
    std::ofstream(folder_.path() / "full.bin", std::ios::binary) << pattern(0, 1000);
    quick_job_c job;
    job.expected_size = 1000;
    job.bytes_done = 1000;
    // Nothing listens on port 1: only a transfer that makes no request can succeed.
    ASSERT_EQ(transfer->download_file("http://127.0.0.1:1/full.bin", target("full.bin"), job), performed);
    EXPECT_EQ(job.code, 0);
    EXPECT_EQ(job.bytes_done.load(), 1000u);
    EXPECT_EQ(read_file(target("full.bin")), pattern(0, 1000));
}

TEST_F(http_transfer_test, ftp_starts_the_count_over_with_the_file) {
    auto transfer = create_transfer(0);
    std::ofstream(folder_.path() / "f.bin", std::ios::binary) << pattern(0, 400);
    quick_job_c job;
    job.expected_size = 1000;
    job.bytes_done = 400;
    ASSERT_EQ(transfer->download_file("ftp://127.0.0.1:1/f.bin", target("f.bin"), job), performed);
    EXPECT_NE(job.code, 0);
    EXPECT_EQ(job.bytes_done.load(), 0u);
    EXPECT_EQ(read_file(target("f.bin")), "");
}

TEST_F(http_transfer_test, failures_no_retry_can_mend_end_the_retries_at_once) {
    const auto started = std::chrono::steady_clock::now();
    quick_job_c scheme;
    scheme.retry_wait_ms = 5000;
    scheme.expected_size = 100;
    EXPECT_EQ(download_with_retries("gopher://127.0.0.1/x", scheme, target("g.bin")), not_started);
    EXPECT_EQ(scheme.code, CURLE_URL_MALFORMAT);
    quick_job_c folder;
    folder.retry_wait_ms = 5000;
    folder.expected_size = 100;
    EXPECT_EQ(download_with_retries(url("/bytes/100"), folder, target("missing/x.bin")), not_started);
    EXPECT_EQ(folder.failure, failure_code_c::file_open);
    // Ten attempts would have waited 45 seconds.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
}
