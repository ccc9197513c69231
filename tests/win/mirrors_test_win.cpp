// Mirror overrides from the registry: read from the settings key, never written there.
#include "common/registry_key_win.h"
#include "service/mirrors.h"
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
