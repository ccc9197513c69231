#include "system/wmi_facts.h"
#include "common/com_ptr_win.h"

#include <gtest/gtest.h>

#include <wbemidl.h>

namespace {

com_ptr_c<IWbemServices> connect_cimv2() {
    com_ptr_c<IWbemLocator> locator;
    com_ptr_c<IWbemServices> services;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator, locator.put_void())))
        return services;
    bstr_c name_space(L"ROOT\\CIMV2");
    locator->ConnectServer(name_space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
    return services;
}

}  // namespace

// COM security can be set once per process, so the whole collection is one test.
TEST(wmi_facts, collection_fills_the_sidebar_facts_that_wmi_knows) {
    ASSERT_TRUE(collect_wmi_facts());
    const system_facts_c& facts = system_facts();
    EXPECT_FALSE(facts.processor.empty());
    EXPECT_FALSE(facts.memory.empty());
    EXPECT_FALSE(facts.operating_system.empty());
    EXPECT_NE(facts.memory, L"0B");
    // The memory text is format_size of a byte count: digits, then a unit.
    wchar_t unit = facts.memory.back();
    EXPECT_TRUE(unit == L'B' || unit == L'K' || unit == L'M' || unit == L'G') << facts.memory.c_str();
}

TEST(wmi_facts, query_first_takes_the_first_value_and_reports_failed_queries) {
    com_ptr_c<IWbemServices> services = connect_cimv2();
    ASSERT_TRUE(services);

    std::wstring name = L"unchanged";
    EXPECT_EQ(wmi_query_first(services.get(), L"SELECT * FROM Win32_Processor", L"Name", name), 0);
    EXPECT_NE(name, L"unchanged");
    EXPECT_FALSE(name.empty());

    std::wstring missing = L"unchanged";
    EXPECT_EQ(wmi_query_first(services.get(), L"SELECT * FROM Win32_Processor", L"NoSuchProperty", missing), 0);
    EXPECT_EQ(missing, L"unchanged");

    std::wstring broken = L"unchanged";
    EXPECT_EQ(wmi_query_first(services.get(), L"SELECT FROM WHERE", L"Name", broken), -1);
    EXPECT_EQ(broken, L"unchanged");
}
