#include "server/inf/inf_driver_info.h"
#include "common/inf_values.h"
#include "tests/server/test_catalogs.h"
#include "server/inf/models_decoration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

const char* const version = "[Version]\nSignature = \"$Windows NT$\"\n";

bool read_text(std::string_view text, inf_driver_info_c& info, inf_error_c& error) {
    inf_file_c inf;
    if (!parse_inf_text(text, inf, error)) {
        ADD_FAILURE() << "does not parse: " << error.line_number << ": " << error.message;
        return false;
    }
    return read_driver_info(inf, info, error);
}

inf_driver_info_c read_ok(std::string_view text) {
    inf_driver_info_c info;
    inf_error_c error;
    EXPECT_TRUE(read_text(text, info, error)) << error.line_number << ": " << error.message;
    return info;
}

inf_error_c read_error(std::string_view text) {
    inf_driver_info_c info;
    inf_error_c error;
    EXPECT_FALSE(read_text(text, info, error)) << text;
    return error;
}

// "id@position arch major.minor" per entry, in order.
std::vector<std::string> entries(const inf_driver_info_c& info) {
    std::vector<std::string> result;
    for (const inf_model_entry_c& entry : info.models)
        result.push_back(entry.device_id + "@" + std::to_string(entry.id_position) + " " + entry.architecture + " " +
                         std::to_string(entry.os_major) + "." + std::to_string(entry.os_minor));
    return result;
}

using texts_t = std::vector<std::string>;


bool read_corpus(const std::string& name, inf_driver_info_c& info, inf_error_c& error) {
    std::ifstream in(inf_corpus_folder() / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return read_text(bytes.str(), info, error);
}

}  // namespace

TEST(inf_driver_info, version_facts) {
    inf_driver_info_c info = read_ok(
        "[Version]\nsignature=\"$CHICAGO$\"\nClass = Net\nClassGUID = {4d36e972-e325-11ce-bfc1-08002be10318}\n"
        "Provider = %Acme% Ltd\nDriverVer = 3 / 05 /2011 , 0.03.15.0011 ; stamped\nCatalogFile = all.cat\n"
        "CatalogFile.NT = nt.cat\nCatalogFile.NTamd64 = amd64.cat\n[Strings]\nAcme = \"Acme, Inc.\"\n");
    EXPECT_EQ(info.signature, "$CHICAGO$");
    EXPECT_EQ(info.class_name, "Net");
    EXPECT_EQ(info.class_guid, "{4d36e972-e325-11ce-bfc1-08002be10318}");
    EXPECT_EQ(info.provider, "Acme, Inc. Ltd");
    EXPECT_EQ(info.driver_date, "2011-03-05");
    EXPECT_EQ(info.driver_version, "0.03.15.0011");
    EXPECT_EQ(info.catalog_file, "amd64.cat");
    EXPECT_TRUE(info.models.empty());  // no [Manufacturer]

    EXPECT_EQ(read_ok("[version]\nSignature=$Windows 95$\nCatalogFile.NT=nt.cat\nCatalogFile=all.cat\n").catalog_file, "nt.cat");
    // A provider token [Strings] lacks is kept as written.
    EXPECT_EQ(read_ok(std::string(version) + "Provider = %Nobody%\n").provider, "%Nobody%");
    // DriverVer without a value, or without a version.
    for (const char* driver_ver : {"", "DriverVer = ; set by the build\n", "DriverVer=,\n"}) {
        inf_driver_info_c empty = read_ok(std::string(version) + driver_ver);
        EXPECT_EQ(empty.driver_date, "");
        EXPECT_EQ(empty.driver_version, "");
    }
    inf_driver_info_c date_only = read_ok(std::string(version) + "DriverVer=12/31/2099\n");
    EXPECT_EQ(date_only.driver_date, "2099-12-31");
    EXPECT_EQ(date_only.driver_version, "");
}

TEST(inf_driver_info, files_no_package_may_ship) {
    EXPECT_EQ(read_error("[Strings]\nA=b\n").line_number, 0);
    EXPECT_EQ(read_error("[Strings]\n\n[Version]\nClass=Net\n").line_number, 3);  // no Signature
    EXPECT_EQ(read_error("[Version]\nClass=Net\nSignature=\"$ReactOS$\"\n").line_number, 3);
    for (const char* date : {"13/01/2020", "00/10/2020", "01/32/2020", "01/00/2020", "01/01/1979", "01/01/2100",
                             "1/1/20", "01-01-2020", "01/01/2020/1", "01//2020", "filled in by stampinf", ",1.0"}) {
        inf_error_c error = read_error(std::string(version) + "Class=X\nDriverVer = " + date + "\n");
        EXPECT_EQ(error.line_number, 4) << date;
        EXPECT_NE(error.message.find("DriverVer"), std::string::npos) << date;
    }
    std::string models = std::string(version) + "[Manufacturer]\n%Acme% = Acme, NTamd64\n";
    EXPECT_EQ(read_error(models + "[Strings]\nAcme=A\n").line_number, 4);               // no models section at all
    EXPECT_EQ(read_error(models + "[Acme.NTamd64]\n").line_number, 4);                   // manufacturer token undefined
    EXPECT_EQ(read_error(std::string(version) + "[Manufacturer]\nAcme =\n").line_number, 4);
    std::string acme = std::string(version) + "[Manufacturer]\nAcme = Acme\n[Acme]\n; devices\n";
    EXPECT_EQ(read_error(acme + "Device = , PCI\\VEN_1\n").line_number, 7);             // no install section
    EXPECT_EQ(read_error(acme + "Device = Inst\n").line_number, 7);                      // no device ID
    EXPECT_EQ(read_error(acme + "Device = Inst, ,\n").line_number, 7);
    EXPECT_EQ(read_error(acme + "Ok = Inst, A\n%Missing% = Inst, B\n").line_number, 8);  // description token undefined
}

TEST(inf_driver_info, manufacturers_and_decorations) {
    inf_driver_info_c info = read_ok(std::string(version) +
                                     "[Manufacturer]\n"
                                     "%Acme% = Acme, NTamd64.10.0...16299, NTarm64, NT, NT$ARCH$.6.1, ntAMD64.10.0...16299\n"
                                     "Plain.Models\n"
                                     "Dotted = Std.Mfg, NTx86.5\n"
                                     "[Acme]\nD = I, ACME\\0\n"
                                     "[Acme.NTamd64.10.0...16299]\n%Desc% = I, ACME\\1, , COMPAT\\1\n"
                                     "[Acme.NTarm64]\n"
                                     "[Acme.NT]\nD = I, ACME\\2\n"
                                     "[Acme.NT$ARCH$.6.1]\nD = I, ACME\\3\n"
                                     "[Plain.Models]\nD = I, , HID\\4\n"
                                     "[Std.Mfg.NTx86.5]\nD = I, ACME\\5\n"
                                     "[Strings]\nAcme = \"Acme Corp\"\nDesc = \"Acme device\"\n");
    EXPECT_EQ(entries(info), (texts_t{"ACME\\0@0 x86 0.0", "ACME\\1@0 amd64 10.0", "COMPAT\\1@2 amd64 10.0", "ACME\\2@0 x86 0.0",
                                      "ACME\\3@0 $arch$ 6.1", "HID\\4@1 x86 0.0", "ACME\\5@0 x86 5.0"}));
    const inf_model_entry_c& amd64 = info.models.at(1);
    EXPECT_EQ(amd64.decoration, "NTamd64.10.0...16299");
    EXPECT_EQ(amd64.description, "Acme device");
    EXPECT_EQ(amd64.manufacturer, "Acme Corp");
    EXPECT_EQ(amd64.install_section, "I");
    EXPECT_EQ(amd64.line_number, 10);
    EXPECT_EQ(info.models.at(0).decoration, "");
    EXPECT_EQ(info.models.at(5).manufacturer, "Plain.Models");  // a line without a key names itself
    EXPECT_EQ(info.models.at(6).manufacturer, "Dotted");
    // Each line's decorations once, whatever their case; its entries point at it.
    ASSERT_EQ(info.models_lines.size(), 3u);
    EXPECT_EQ(info.models_lines[0].decorations, "NTamd64.10.0...16299,NTarm64,NT,NT$ARCH$.6.1");
    EXPECT_EQ(info.models_lines[1].decorations, "");
    EXPECT_EQ(info.models_lines[2].decorations, "NTx86.5");
    EXPECT_EQ(info.models_lines[2].line_number, 6);
    std::vector<std::size_t> lines;
    for (const inf_model_entry_c& entry : info.models) lines.push_back(entry.models_line);
    EXPECT_EQ(lines, (std::vector<std::size_t>{0, 0, 0, 0, 0, 1, 2}));
}

TEST(inf_driver_info, decorations_are_read_in_full) {
    auto fields = [](std::string_view text) {
        models_decoration_c d = parse_models_decoration(text);
        return std::to_string(int(d.form)) + " " + d.architecture + " " + std::to_string(d.os_major) + "." +
               std::to_string(d.os_minor) + " " + std::to_string(d.product_type) + " " + std::to_string(d.suite_mask) + " " +
               std::to_string(d.build);
    };
    EXPECT_EQ(fields(""), "0 x86 0.0 0 0 0");
    EXPECT_EQ(fields("NT"), "1 x86 0.0 0 0 0");
    EXPECT_EQ(fields("NT.6.0.3"), "1 x86 6.0 3 0 0");
    EXPECT_EQ(fields("ntAMD64.10.0...17763"), "2 amd64 10.0 0 0 17763");
    EXPECT_EQ(fields("NTx86....0x80"), "2 x86 0.0 0 128 0");
    EXPECT_EQ(fields("NTarm64.10.0.0x1.0x110.22000"), "2 arm64 10.0 1 272 22000");
    EXPECT_EQ(fields("NTamd64.six.1.x.0xZZ.99999999999"), "2 amd64 0.1 0 0 0");  // what is no number is not named
}

TEST(inf_driver_info, a_manufacturer_line_naming_more_than_128_decorations_fails) {
    std::string line = "M = M";
    for (int i = 0; i < 128; ++i) line += ", NTamd64.10.0..." + std::to_string(15000 + i);
    std::string text = std::string(version) + "[Manufacturer]\n" + line + "\n[M]\nD = I, ID\n";
    EXPECT_EQ(read_ok(text).models_lines.at(0).decorations.size(), 128 * 21 - 1);
    EXPECT_EQ(read_error(std::string(version) + "[Manufacturer]\n" + line + ", NTarm64\n[M]\nD = I, ID\n").line_number, 4);
}

TEST(inf_driver_info, feature_score_from_the_install_section_windows_would_pick) {
    inf_driver_info_c info = read_ok(std::string(version) +
                                     "[Manufacturer]\nM = M, NTamd64, NTarm64, NTx86, NTia64\n"
                                     "[M]\nD = Plain, ID\\0\n"
                                     "[M.NTamd64]\nD = Inst, ID\\1\nD = Hex, ID\\2\nD = Big, ID\\3\nD = Word, ID\\4\n"
                                     "[M.NTarm64]\nD = Inst, ID\\5\n[M.NTx86]\nD = Inst, ID\\6\n[M.NTia64]\nD = None, ID\\7\n"
                                     "[Plain]\nFeatureScore = 7\n"
                                     "[Inst.NTamd64]\nfeaturescore=0xFE\n[Inst.NT]\nFeatureScore=0x10\n[Inst]\nFeatureScore=1\n"
                                     "[Hex.NT]\nFeatureScore=F9\n[Big]\nFeatureScore=256\n[Word]\nFeatureScore = 0x\n");
    std::vector<int> scores;
    for (const inf_model_entry_c& entry : info.models) scores.push_back(entry.feature_score);
    EXPECT_EQ(scores, (std::vector<int>{7, 254, 249, -1, -1, 16, 16, -1}));
}

TEST(inf_driver_info, feature_scores_read_as_windows_reads_them) {
    // Forms from published driver samples, and values Windows refuses (the rank then takes 0xFF).
    const struct {
        const char* value;
        int score;
    } cases[] = {{"80", 0x80}, {"F9", 0xF9}, {"0xE6", 0xE6}, {" 0x80 ", 0x80}, {"fd", 0xFD}, {"0X00", 0},
                 {"100", -1},  {"0x100", -1}, {"xyz", -1},    {"", -1},         {"0x", -1},  {"-1", -1}};
    for (const auto& form : cases) {
        inf_driver_info_c info =
            read_ok(std::string(version) + "[Manufacturer]\nM = M\n[M]\nD = Inst, ID\n[Inst]\nFeatureScore = " + form.value + "\n");
        ASSERT_EQ(info.models.size(), 1u);
        EXPECT_EQ(info.models[0].feature_score, form.score) << "server: \"" << form.value << '"';
        // The program and the driver package installer read the value as SetupAPI gives it.
        std::wstring wide(form.value, form.value + std::strlen(form.value));
        std::optional<std::uint8_t> read = read_feature_score(wide);
        EXPECT_EQ(read ? int(*read) : -1, form.score) << "client: \"" << form.value << '"';
    }
}

TEST(inf_driver_info, hostile_models_stay_bounded) {
    // A models section reached again is read once.
    std::string text = std::string(version) + "[Manufacturer]\n";
    for (int i = 0; i < 20000; ++i) text += "M = Models, NTamd64, NTAMD64\n";
    text += "[Models.NTamd64]\n";
    for (int i = 0; i < 20000; ++i) text += "D = Inst, ID\\" + std::to_string(i) + "\n";
    EXPECT_EQ(read_ok(text).models.size(), 20000u);
    // Section names have at most 255 characters; longer decorated names are not looked up.
    std::string decoration = "NTamd64." + std::string(243, '1');  // "Mfg." and this: 255
    EXPECT_EQ(read_ok(std::string(version) + "[Manufacturer]\nM = Mfg, " + decoration + "\n[Mfg." + decoration + "]\nD = I, ID\n")
                  .models.size(), 1u);
    EXPECT_EQ(read_error(std::string(version) + "[Manufacturer]\nM = Mfg, " + decoration + "1\n[Mfg." + decoration + "1]\n")
                  .line_number, 4);
    // Entries that would take more than 128 MiB fail the file.
    std::string many_ids = std::string(version) + "[Manufacturer]\nM = M\n[M]\n" + std::string(100000, 'D') + " = I";
    for (int i = 0; i < 2100; ++i) many_ids += ", ID";  // 64 KiB descriptions each
    inf_error_c error = read_error(many_ids);
    EXPECT_EQ(error.line_number, 6);
    EXPECT_EQ(error.message, "too many model entries");
}

TEST(inf_driver_info, hostile_inputs_are_read_safely) {
    std::mt19937 random(7);
    const std::string_view pieces[] = {"[Version]\n", "Signature=$Chicago$\n", "[Manufacturer]\n", "M=M,NTamd64.", "[M.NTamd64]\n",
                                  "[M]\n", "D=I,", "ID", ",", "%", "%S%", "[Strings]\nS=", "\"", "\\\n", ";", "\n", ".", "DriverVer=",
                                  "1/2/2000", "FeatureScore=0x", "FF", "[I.NTamd64]\n", "=", " ", "\r", "\xD8", std::string_view("\0", 1)};
    for (int round = 0; round < 5000; ++round) {
        std::string text = round % 4 == 0 ? "\xFF\xFE" : "";
        for (int i = 0, count = int(random() % 40); i < count; ++i) text += pieces[random() % (sizeof pieces / sizeof *pieces)];
        inf_file_c inf;
        inf_error_c error;
        inf_driver_info_c info;
        if (parse_inf_text(text, inf, error) && !read_driver_info(inf, info, error)) {
            EXPECT_FALSE(error.message.empty()) << text;
        }
    }
}

TEST(inf_driver_info_corpus, every_file_is_read_or_rejected_for_its_reason) {
    if (!std::filesystem::is_directory(inf_corpus_folder())) GTEST_SKIP() << "no INF corpus at " << inf_corpus_folder();
    // The only files no package may ship, with the line at fault.
    const std::map<std::string, std::pair<int, std::string>> rejected = {
        {"OpenVPN__tap-windows6__src__OemVista.inf.in", {58, "DriverVer"}},       // "filled in by stampinf"
        {"reactos__reactos__media__inf__machine.inf", {34, "PNP0A00"}},           // [Strings] lacks the token
    };
    for (const auto& entry : std::filesystem::directory_iterator(inf_corpus_folder())) {
        std::string name = entry.path().filename().string();
        if (name == "SOURCES.md") continue;
        inf_driver_info_c info;
        inf_error_c error;
        bool read = read_corpus(name, info, error);
        auto reason = rejected.find(name);
        if (reason == rejected.end()) {
            EXPECT_TRUE(read) << name << ":" << error.line_number << ": " << error.message;
            continue;
        }
        EXPECT_FALSE(read) << name;
        EXPECT_EQ(error.line_number, reason->second.first) << name;
        EXPECT_NE(error.message.find(reason->second.second), std::string::npos) << name << ": " << error.message;
    }
}

TEST(inf_driver_info_corpus, facts_of_notable_files) {
    if (!std::filesystem::is_directory(inf_corpus_folder())) GTEST_SKIP() << "no INF corpus at " << inf_corpus_folder();
    struct facts_c {
        std::string file;
        std::size_t models;
        std::string date, version, catalog;
        texts_t first_entries;
    };
    const std::string samples = "microsoft__Windows-driver-samples__";
    const facts_c all[] = {
        {"reactos__reactos__media__inf__input.inf", 13, "2012-01-20", "1.00", "",
         {"GENERIC_HID_DEVICE@0 x86 0.0", "USB\\Class_03&SubClass_01@0 x86 0.0", "USB\\Class_03@0 x86 0.0", "HID_DEVICE@1 x86 0.0"}},
        {"reactos__reactos__media__inf__usbport.inf", 7, "1999-10-19", "5.00.2157.1", "", {"PCI\\CC_0C0300@0 x86 0.0"}},
        {samples + "storage__class__disk__src__diskdev.inf", 2, "1999-08-27", "5.2.1425.0", "diskdev.cat",
         {"GenDisk@0 amd64 0.0", "GenOptical@0 amd64 0.0"}},
        {samples + "smartcrd__pscr__pscr.inx", 4, "2007-01-01", "6.0.6000.0", "pscr.cat",
         {"PCMCIA\\PSCR-Smart_Card_Reader-488C@0 x86 0.0", "PCMCIA\\PSCR-Smart_Card_Reader-488C@0 ia64 0.0",
          "PCMCIA\\PSCR-Smart_Card_Reader-488C@0 amd64 0.0", "PCMCIA\\PSCR-Smart_Card_Reader-488C@0 arm64 0.0"}},
        {samples + "general__toaster__toastpkg__inf__toastpkg.inf", 1, "2006-09-21", "6.0.5736.1", "toastpkg.cat",
         {"{b85b7c50-6a01-11d2-b841-00c04fad5171}\\MsToaster@0 amd64 10.0"}},
        {samples + "bluetooth__bthecho__bthcli__sys__BthEchoSampleCli.inx", 1, "2006-06-21", "6.0.5842.0", "KmdfSamples.cat",
         {"BTHENUM\\{c07508f2-b970-43ca-b5dd-cc4f2391bef4}@0 $arch$ 10.0"}},
        {samples + "network__ndis__ndisprot_kmdf__60__ndisprot.inx", 3, "", "", "nprt6wdf.cat",
         {"MS_NDISPROT@0 $arch$ 6.1", "MS_NDISPROT@0 $arch$ 10.0", "MS_NDISPROT@0 $arch$ 10.0"}},
        {samples + "network__netadaptercx__netvadapter__km__netvadapter.inf", 5, "2010-06-22", "6.1.7065.0", "netvadapter.cat",
         {"root\\netvadapter@0 $arch$ 0.0"}},
        {samples + "network__wlan__WDI__PLATFORM__WinInf__SDIO__x64__netrtwlans.inf", 18, "2015-11-23", "3008.22.1030.2015",
         "netrtwlans.cat", {"SD\\VID_024C&PID_8753@0 amd64 10.0"}},
        {samples + "network__wlan__wificx__km__wificxsampleclientkm.inf", 1, "", "", "wificxsampleclientkm.cat",
         {"Root\\wificxsampleclientkm@0 $arch$ 10.0"}},
        {samples + "filesys__miniFilter__minispy__minispy.inf", 0, "2007-06-16", "1.0.0.0", "minispy.cat", {}},
        {samples + "video__KMDOD__Sample__sampledisplay.inf", 12, "2011-03-15", "0.03.15.0011", "SampleDisplay.cat",
         {"PCI\\CC_0300@0 amd64 0.0"}},
        {samples + "sd__miniport__sdhc__sdhc.inx", 7, "2015-04-02", "10.0.10053.0", "sdhc.cat", {"PCI\\CC_080500@0 $arch$ 10.0"}},
        {"nefarius__ViGEmBus__sys__ViGEmBus.inf", 3, "", "", "ViGEmBus.cat",
         {"Nefarius\\ViGEmBus\\Gen1@0 amd64 0.0", "Nefarius\\ViGEmBus\\Gen1@0 x86 0.0", "Nefarius\\ViGEmBus\\Gen1@0 arm64 0.0"}},
        {"virtio-win__kvm-guest-drivers-windows__viostor__viostor.inx", 4, "2008-01-01", "0.0.0.1", "viostor.cat",
         {"PCI\\VEN_1AF4&DEV_1001&SUBSYS_0002_INX_SUBSYS_VENDOR_ID&REV_00@0 $arch$ 0.0", "PCI\\VEN_1AF4&DEV_1001@1 $arch$ 0.0"}},
        {"reactos__reactos__media__inf__wdma_usb.inf", 1, "2013-10-04", "6.1.7601.18276", "", {"USB\\CLASS_01@0 x86 0.0"}},
        {"daynix__UsbDk__UsbDkHelper__UsbDk.inf", 0, "", "", "", {}},
    };
    for (const facts_c& facts : all) {
        inf_driver_info_c info;
        inf_error_c error;
        ASSERT_TRUE(read_corpus(facts.file, info, error)) << facts.file << ":" << error.line_number << ": " << error.message;
        EXPECT_EQ(info.models.size(), facts.models) << facts.file;
        EXPECT_EQ(info.driver_date, facts.date) << facts.file;
        EXPECT_EQ(info.driver_version, facts.version) << facts.file;
        EXPECT_EQ(info.catalog_file, facts.catalog) << facts.file;
        texts_t first = entries(info);
        first.resize(std::min(first.size(), facts.first_entries.size()));
        EXPECT_EQ(first, facts.first_entries) << facts.file;
    }
}

TEST(inf_driver_info_corpus, names_and_install_sections) {
    if (!std::filesystem::is_directory(inf_corpus_folder())) GTEST_SKIP() << "no INF corpus at " << inf_corpus_folder();
    inf_driver_info_c pscr, echo, hdaudbus;
    inf_error_c error;
    ASSERT_TRUE(read_corpus("microsoft__Windows-driver-samples__smartcrd__pscr__pscr.inx", pscr, error));
    EXPECT_EQ(pscr.models.at(2).install_section, "SCM488C.Install.NTamd64");
    EXPECT_EQ(pscr.models.at(2).description, "SCM 488C PCMCIA Smart Card Reader");
    EXPECT_EQ(pscr.models.at(2).manufacturer, "SCM Microsystems");
    ASSERT_TRUE(read_corpus("microsoft__Windows-driver-samples__general__echo__umdf2__driver__AutoSync__echoum.inx", echo, error));
    ASSERT_EQ(echo.models.size(), 2u);
    EXPECT_EQ(echo.models[0].install_section, "ECHO_Device_Win10");
    EXPECT_EQ(echo.models[1].decoration, "NT$ARCH$.10.0...22000");
    ASSERT_TRUE(read_corpus("reactos__reactos__media__inf__hdaudbus.inf", hdaudbus, error));
    EXPECT_EQ(hdaudbus.provider, "ReactOS");
    EXPECT_EQ(hdaudbus.models.at(0).manufacturer, "Microsoft");  // a literal, not a token
}
