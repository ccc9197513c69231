#include "dpinst/driver_version.h"

#include <gtest/gtest.h>

namespace {

driver_version_c version(const std::wstring& date, const std::wstring& number) {
    driver_version_c v;
    EXPECT_TRUE(parse_driver_date(date, v));
    EXPECT_TRUE(parse_driver_version_number(number, v));
    return v;
}

}  // namespace

TEST(dpinst_driver_version, package_and_driver_key_forms_read_alike) {
    driver_version_c package = version(L"05/01/2021", L"12.19.1.1");
    driver_version_c key = version(L"5-1-2021", L"12.19.1.1");
    EXPECT_TRUE(same_date_and_version(package, key));
    EXPECT_EQ(driver_key_date(package), L"5-1-2021");
    EXPECT_EQ(driver_version_text(package), L"12.19.1.1");
    EXPECT_EQ(driver_version_text(version(L"1/2/2003", L"6.1")), L"6.1.0.0");
    EXPECT_EQ(driver_version_text(version(L"1/2/2003", L"")), L"0.0.0.0");
}

TEST(dpinst_driver_version, newer_by_date_then_by_version_part_by_part) {
    EXPECT_TRUE(newer_than(version(L"05/01/2021", L"1.0"), version(L"3-20-2019", L"12.18.9.7")));
    EXPECT_FALSE(newer_than(version(L"3/20/2019", L"12.18.9.7"), version(L"3-20-2019", L"12.18.9.7")));
    EXPECT_TRUE(newer_than(version(L"3/20/2019", L"12.18.10.0"), version(L"3-20-2019", L"12.18.9.7")));
    EXPECT_FALSE(newer_than(version(L"12/31/2018", L"99.0"), version(L"1-1-2019", L"1.0")));
}

TEST(dpinst_driver_version, malformed_dates_and_versions_are_refused) {
    driver_version_c v;
    for (const wchar_t* date : {L"", L"2021/05/01x", L"05/01", L"5-1/2021", L"13/01/2021", L"02/30/2021", L"02/29/2100",
                                L"0/1/2021", L"a/b/c", L"5/1/2021,1.0"})
        EXPECT_FALSE(parse_driver_date(date, v)) << std::string(date, date + wcslen(date));
    EXPECT_TRUE(parse_driver_date(L"02/29/2024", v));
    for (const wchar_t* number : {L"1.2.3.4.5", L"1..2", L"65536", L"1.x", L"1.2.", L"1.-2"})
        EXPECT_FALSE(parse_driver_version_number(number, v)) << std::string(number, number + wcslen(number));
}
