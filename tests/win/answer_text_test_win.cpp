// Texts beyond ASCII in scan answers under Windows (Wine here): the thread's ANSI code page chosen
// through its locale, as a German and a Russian Windows have it, a scan query against the demo
// catalog's mirrors that the test script started (VANTOREL_MIRRORS), and the answer read by the
// program's own reader.
#include "common/text_convert.h"
#include "common/failure_code.h"
#include "service/update_service.h"
#include "tests/unit/demo_scan_expectations.h"
#include "tests/win/demo_mirrors.h"

#include <gtest/gtest.h>
#include <windows.h>


namespace {

const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
const LCID russian = MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT);

// The calling thread's locale for as long as this lives; the previous one comes back after.
class thread_locale_c {
public:
    explicit thread_locale_c(LCID locale) : previous_(GetThreadLocale()), set_(SetThreadLocale(locale) != FALSE) {}
    ~thread_locale_c() { SetThreadLocale(previous_); }
    thread_locale_c(const thread_locale_c&) = delete;
    thread_locale_c& operator=(const thread_locale_c&) = delete;
    bool set() const { return set_; }

private:
    LCID previous_;
    bool set_;
};

// One scan query from a client whose OEM code page is `oem`, on this thread.
void ask(device_store_c& store, int oem, const std::vector<std::string>& mirrors) {
    http_global_init();
    update_service_c service;
    service.mirrors = {mirrors[0], mirrors[1], mirrors[2]};
    service.installed_links_file = L"no-such-folder\\setup.dat";
    machine_description_c query;
    query.os_code = "WIN764";
    query.os_version_number = 61;
    query.lang = oem;
    const query_outcome_c outcome = query_update_server(service, store, query);
    const bool succeeded = outcome.succeeded();
    service.transfer.reset();
    http_global_cleanup();
    ASSERT_TRUE(succeeded) << "failure " << failure_number(outcome.failure) << ", status " << outcome.http_status << ", " << outcome.failure_text;
}

}  // namespace

TEST(answer_text, the_thread_locale_chooses_the_ansi_code_page_and_comes_back) {
    LCID before = GetThreadLocale();
    {
        thread_locale_c locale(german);
        ASSERT_TRUE(locale.set());
        EXPECT_EQ(ansi_code_page(), 1252u);
        EXPECT_EQ(wide_to_ansi(L"für Б"), "f\xFCr ?");
        EXPECT_EQ(ansi_to_wide("f\xFCr"), L"für");
    }
    {
        thread_locale_c locale(russian);
        ASSERT_TRUE(locale.set());
        EXPECT_EQ(ansi_code_page(), 1251u);
        EXPECT_EQ(wide_to_ansi(L"Бип"), "\xC1\xE8\xEF");
        EXPECT_EQ(ansi_to_wide("\xC1\xE8\xEF"), L"Бип");
    }
    EXPECT_EQ(GetThreadLocale(), before);
}

TEST(answer_text, german_and_russian_clients_read_every_script_intact) {
    std::vector<std::string> mirrors = mirrors_from_environment();
    if (mirrors.size() != 3) GTEST_SKIP() << "VANTOREL_MIRRORS does not name three mirrors";
    {
        thread_locale_c locale(german);
        ASSERT_TRUE(locale.set());
        device_store_c store = localised_demo_devices(L"USB\\VID_046D&PID_C52B\\Empfänger-Ä");
        ask(store, 850, mirrors);
        expect_localised_demo_texts(store);
    }
    thread_locale_c locale(russian);
    ASSERT_TRUE(locale.set());
    device_store_c store = localised_demo_devices(L"USB\\VID_046D&PID_C52B\\Приёмник");
    ask(store, 866, mirrors);
    expect_localised_demo_texts(store);
}
