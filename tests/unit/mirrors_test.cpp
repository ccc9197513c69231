#include "service/mirrors.h"

#include <gtest/gtest.h>

TEST(mirrors, only_https_and_http_urls_are_taken_and_get_their_root_path) {
    std::string url = "http://127.0.0.1:8080";
    ASSERT_TRUE(normalise_mirror_url(url));
    EXPECT_EQ(url, "http://127.0.0.1:8080/");
    url = "http://scan.example?x=1";
    ASSERT_TRUE(normalise_mirror_url(url));
    EXPECT_EQ(url, "http://scan.example/?x=1");
    url = "http://scan.example/api/";
    ASSERT_TRUE(normalise_mirror_url(url));
    EXPECT_EQ(url, "http://scan.example/api/");
    url = "https://127.0.0.1:8443";
    ASSERT_TRUE(normalise_mirror_url(url));
    EXPECT_EQ(url, "https://127.0.0.1:8443/");
    for (std::string bad : {"ftp://scan.example/", "http://", "https://", "httpss://a/", "scan.example", "http://a b/", ""})
        EXPECT_FALSE(normalise_mirror_url(bad)) << bad;
}

TEST(mirrors, overrides_take_places_in_order_and_never_mix_in_defaults) {
    EXPECT_EQ(with_mirror_overrides(default_mirrors, {}), default_mirrors);
    mirror_list_c one = with_mirror_overrides(default_mirrors, {"http://a/"});
    EXPECT_EQ(one, (mirror_list_c{"http://a/", "http://a/", "http://a/"}));
    mirror_list_c two = with_mirror_overrides(default_mirrors, {"http://a/", "http://b/"});
    EXPECT_EQ(two, (mirror_list_c{"http://a/", "http://b/", "http://b/"}));
    mirror_list_c four = with_mirror_overrides(default_mirrors, {"http://a/", "http://b/", "http://c/", "http://d/"});
    EXPECT_EQ(four, (mirror_list_c{"http://a/", "http://b/", "http://c/"}));
}

TEST(mirrors, the_defaults_are_https) {
    for (const std::string& mirror : default_mirrors) EXPECT_EQ(mirror.rfind("https://", 0), 0u) << mirror;
}
