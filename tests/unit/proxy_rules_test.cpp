#include "service/proxy_rules.h"

#include <gtest/gtest.h>

TEST(proxy_rules, the_server_list_gives_each_scheme_its_proxy) {
    EXPECT_EQ(proxy_for_scheme("proxy.corp:8080", "https"), "http://proxy.corp:8080");
    EXPECT_EQ(proxy_for_scheme("proxy.corp", "http"), "http://proxy.corp:80");
    const std::string list = "http=web:3128; https=secure:8443;ftp=files:21 socks=sock:1080";
    EXPECT_EQ(proxy_for_scheme(list, "http"), "http://web:3128");
    EXPECT_EQ(proxy_for_scheme(list, "https"), "http://secure:8443");
    EXPECT_EQ(proxy_for_scheme("http=web:3128;socks=sock:1080", "https"), "socks4://sock:1080");
    EXPECT_EQ(proxy_for_scheme("http=web:3128", "https"), "");
    EXPECT_EQ(proxy_for_scheme("HTTPS=[fd00::1]:3128", "https"), "http://[fd00::1]:3128");
    EXPECT_EQ(proxy_for_scheme("http://web:3128;other:1", "ftp"), "http://web:3128");
    EXPECT_EQ(proxy_for_scheme("", "http"), "");
}

TEST(proxy_rules, the_bypass_list_matches_hosts_with_wildcards_ports_and_local_names) {
    const std::string list = "*.intra.example; 10.1.*;<local> https://secure.example, plain.example:8080";
    EXPECT_TRUE(bypasses_proxy(list, "http://files.intra.example/a.zip"));
    EXPECT_TRUE(bypasses_proxy(list, "http://FILES.Intra.Example:81/"));
    EXPECT_FALSE(bypasses_proxy(list, "http://intra.example.org/"));
    EXPECT_TRUE(bypasses_proxy(list, "http://10.1.2.3/"));
    EXPECT_FALSE(bypasses_proxy(list, "http://10.11.2.3/"));
    EXPECT_TRUE(bypasses_proxy(list, "http://fileserver/p.zip"));
    EXPECT_TRUE(bypasses_proxy(list, "https://secure.example/"));
    EXPECT_FALSE(bypasses_proxy(list, "http://secure.example/"));
    EXPECT_TRUE(bypasses_proxy(list, "http://plain.example:8080/"));
    EXPECT_FALSE(bypasses_proxy(list, "http://plain.example/"));
    EXPECT_FALSE(bypasses_proxy("", "http://fileserver/"));
    EXPECT_TRUE(bypasses_proxy(".corp", "http://a.b.corp/"));
}

TEST(proxy_rules, loopback_bypasses_the_proxy_unless_the_list_says_otherwise) {
    for (const char* url : {"http://localhost:8080/", "http://127.0.0.1/", "http://127.8.9.10/", "https://[::1]:443/"}) {
        EXPECT_TRUE(bypasses_proxy("", url)) << url;
        EXPECT_FALSE(bypasses_proxy("<-loopback>", url)) << url;
    }
    EXPECT_FALSE(bypasses_proxy("", "http://127.example/"));
    EXPECT_FALSE(bypasses_proxy("<local>", "http://[fd00::1]/"));
}

TEST(proxy_rules, routes_from_the_settings_a_script_and_the_command_line) {
    proxy_settings_c settings;
    settings.servers = "http=web:3128";
    settings.bypass = "*.intra.example";
    EXPECT_EQ(manual_route(settings, "http://mirror.example/scan").way, proxy_way_c::through);
    EXPECT_EQ(manual_route(settings, "http://mirror.example/scan").proxy, "http://web:3128");
    EXPECT_EQ(manual_route(settings, "https://mirror.example/scan").way, proxy_way_c::direct);
    EXPECT_EQ(manual_route(settings, "http://a.intra.example/").way, proxy_way_c::direct);
    EXPECT_EQ(manual_route(proxy_settings_c{}, "http://mirror.example/").way, proxy_way_c::direct);

    EXPECT_EQ(script_route("first:8080;second:8080", "https://x/").proxy, "http://first:8080");
    EXPECT_EQ(script_route("", "https://x/").way, proxy_way_c::direct);

    EXPECT_EQ(route_from_option("direct")->way, proxy_way_c::direct);
    EXPECT_EQ(route_from_option("127.0.0.1:3128")->proxy, "http://127.0.0.1:3128");
    EXPECT_EQ(route_from_option("http://user:pw@proxy/")->proxy, "http://user:pw@proxy:80/");
    EXPECT_EQ(route_from_option("socks5h://proxy:1080")->proxy, "socks5h://proxy:1080");
    EXPECT_FALSE(route_from_option(""));
    EXPECT_FALSE(route_from_option("ftp://proxy:21"));
    EXPECT_FALSE(route_from_option("a:1;b:2"));
    EXPECT_FALSE(route_from_option("http://"));
}
