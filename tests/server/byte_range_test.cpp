#include "server/http/byte_range.h"

#include <gtest/gtest.h>

using kind = byte_range_c::kind_c;

TEST(byte_range, open_closed_and_suffix_ranges) {
    auto r = parse_byte_range("bytes=100-", 1000);
    EXPECT_EQ(r.kind, kind::partial);
    EXPECT_EQ(r.first, 100u);
    EXPECT_EQ(r.length, 900u);
    r = parse_byte_range("bytes=0-0", 1000);
    EXPECT_EQ(r.kind, kind::partial);
    EXPECT_EQ(r.length, 1u);
    r = parse_byte_range("bytes=990-5000", 1000);  // clipped to the end
    EXPECT_EQ(r.length, 10u);
    r = parse_byte_range("bytes=-300", 1000);
    EXPECT_EQ(r.first, 700u);
    EXPECT_EQ(r.length, 300u);
    r = parse_byte_range("bytes=-5000", 1000);
    EXPECT_EQ(r.first, 0u);
    EXPECT_EQ(r.length, 1000u);
}

TEST(byte_range, past_the_end_is_unsatisfiable_and_nonsense_serves_the_whole_file) {
    EXPECT_EQ(parse_byte_range("bytes=1000-", 1000).kind, kind::unsatisfiable);
    EXPECT_EQ(parse_byte_range("bytes=0-", 0).kind, kind::unsatisfiable);
    EXPECT_EQ(parse_byte_range("bytes=-0", 1000).kind, kind::unsatisfiable);
    for (const char* header : {"", "bytes=", "bytes=a-", "items=1-", "bytes=5-2", "bytes=1-2,4-5", "bytes=99999999999999999999-",
                               "bytes=--1", "bytes=1"})
        EXPECT_EQ(parse_byte_range(header, 1000).kind, kind::whole) << header;
}

#include "server/http/request_log.h"

TEST(request_log, client_texts_cannot_forge_lines_or_reach_the_terminal) {
    EXPECT_EQ(log_safe("/packages/a.zip?x=1"), "/packages/a.zip?x=1");
    EXPECT_EQ(log_safe("/a b\n\x1b[2J%"), "/a%20b%0A%1B[2J%25");
    EXPECT_EQ(log_safe(""), "-");
    request_log_entry_c entry;
    entry.when = 0;
    entry.peer = "127.0.0.1:5";
    entry.method = "GET";
    entry.target = "/x\r\n";
    entry.status = 404;
    entry.bytes = 10;
    entry.milliseconds = 1.5;
    EXPECT_EQ(request_log_line(entry), "1970-01-01T00:00:00Z 127.0.0.1:5 GET /x%0D%0A 404 10 1.500ms\n");
    entry.completed = false;
    EXPECT_NE(request_log_line(entry).find("(connection closed early)"), std::string::npos);
}
