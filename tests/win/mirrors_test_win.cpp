// Mirror overrides from the registry: read from the settings key, never written there.
#include "service/mirrors.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

const wchar_t* settings_key = L"SOFTWARE\\Quellmar";

void set_value(const wchar_t* name, const wchar_t* text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settings_key, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void delete_values() {
    for (const wchar_t* name : {L"Mirror1", L"Mirror2", L"Mirror3"}) RegDeleteKeyValueW(HKEY_CURRENT_USER, settings_key, name);
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
    RegDeleteTreeW(HKEY_CURRENT_USER, settings_key);
    RegDeleteKeyW(HKEY_CURRENT_USER, settings_key);
    EXPECT_EQ(configured_mirrors(), default_mirrors);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, settings_key, 0, KEY_READ, &key), ERROR_SUCCESS);
    if (key) RegCloseKey(key);
}
