#include "dpinst/legacy_inf.h"

#include <gtest/gtest.h>

namespace {

std::string utf16(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes;
}

}  // namespace

TEST(dpinst_legacy_inf, catalog_lines_go_and_everything_else_stays_in_either_encoding) {
    const std::string inf = "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\n  catalogfile = a.cat\r\nCatalogFile.NTamd64=b.cat ; x\r\n"
                            "CatalogFiles=c\r\nDriverVer=01/02/2020,1.0\r\n[Strings]\r\nX=\"CatalogFile=d\"";
    const std::string kept = "[Version]\r\nSignature=\"$WINDOWS NT$\"\r\nCatalogFiles=c\r\nDriverVer=01/02/2020,1.0\r\n"
                             "[Strings]\r\nX=\"CatalogFile=d\"";
    EXPECT_EQ(inf_without_catalog(inf), kept);
    EXPECT_EQ(inf_without_catalog(utf16(u"[Version]\r\nCatalogFile=a.cat\r\nClass=Net\r\n")),
              utf16(u"[Version]\r\nClass=Net\r\n"));
    EXPECT_EQ(inf_without_catalog("CatalogFile=last.cat"), "");
}
