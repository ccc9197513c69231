// Mirror overrides from the registry: read from the settings key, never written there; the
// machine's policy key before it, the only place that widens trust.
#include "common/registry_key_win.h"
#include "service/mirrors.h"
#include "service/trust_policy.h"
#include "system/settings_win.h"

#include <gtest/gtest.h>

namespace {

void set_value(const wchar_t* name, const wchar_t* text) {
    registry_key_c key;
    ASSERT_EQ(key.create(HKEY_CURRENT_USER, settings_key_path, KEY_WRITE), ERROR_SUCCESS);
    key.write_text(name, text);
}

void delete_values() {
    registry_key_c key;
    if (key.open(HKEY_CURRENT_USER, settings_key_path, KEY_WRITE) != ERROR_SUCCESS) return;
    for (const wchar_t* name : {L"Mirror1", L"Mirror2", L"Mirror3"}) key.delete_value(name);
}

void clear_policy() {
    registry_key_c key;
    if (key.open(HKEY_LOCAL_MACHINE, trust_policy_key_path, KEY_WRITE | KEY_WOW64_64KEY) != ERROR_SUCCESS) return;
    for (const wchar_t* name : {L"Mirror1", L"allow_unsigned_packages"}) key.delete_value(name);
}

}  // namespace

TEST(mirrors_registry, usable_values_take_the_places_in_order) {
    delete_values();
    EXPECT_EQ(configured_mirrors(), default_mirrors);
    set_value(L"Mirror1", L"http://127.0.0.1:8081");
    set_value(L"Mirror2", L"ftp://not-a-web-server.example/");
    set_value(L"Mirror3", L"https://127.0.0.1:8443");
    EXPECT_EQ(configured_mirrors(), (mirror_list_c{"http://127.0.0.1:8081/", "https://127.0.0.1:8443/", "https://127.0.0.1:8443/"}));
    delete_values();
}

TEST(mirrors_registry, a_missing_settings_key_is_not_created_by_reading) {
    registry_key_c::delete_key(HKEY_CURRENT_USER, settings_key_path);
    EXPECT_EQ(configured_mirrors(), default_mirrors);
    registry_key_c key;
    EXPECT_NE(key.open(HKEY_CURRENT_USER, settings_key_path), ERROR_SUCCESS);
}

TEST(mirrors_registry, only_the_machines_policy_lets_unsigned_items_through_and_only_from_its_mirrors) {
    delete_values();
    clear_policy();
    // What any process of the user can write widens nothing.
    set_value(L"Mirror1", L"http://127.0.0.1:8081/");
    registry_key_c user;
    ASSERT_EQ(user.create(HKEY_CURRENT_USER, settings_key_path, KEY_WRITE), ERROR_SUCCESS);
    user.write_number(L"allow_unsigned_packages", 1);
    EXPECT_FALSE(read_trust_policy().allow_unsigned);
    EXPECT_EQ(configured_mirrors()[0], "http://127.0.0.1:8081/");

    registry_key_c policy_key;
    ASSERT_EQ(policy_key.create(HKEY_LOCAL_MACHINE, trust_policy_key_path, KEY_WRITE | KEY_WOW64_64KEY), ERROR_SUCCESS);
    policy_key.write_text(L"Mirror1", L"http://127.0.0.1:9090");
    policy_key.write_number(L"allow_unsigned_packages", 1);
    const trust_policy_c policy = read_trust_policy();
    EXPECT_TRUE(policy.allow_unsigned);
    EXPECT_EQ(unsigned_mirrors(policy), std::vector<std::string>{"http://127.0.0.1:9090/"});
    // The policy's mirrors come before the user's.
    EXPECT_EQ(configured_mirrors(), (mirror_list_c{"http://127.0.0.1:9090/", "http://127.0.0.1:9090/", "http://127.0.0.1:9090/"}));
    clear_policy();
    user.delete_value(L"allow_unsigned_packages");
    delete_values();
}
