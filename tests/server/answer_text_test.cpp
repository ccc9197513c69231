// Texts beyond ASCII from the catalog to the program, end to end: the demo catalog's localised
// packages (UTF-16 and Windows-1252 INF files), the update server, and the program's scan query
// and answer reader (which asks for UTF-8), with the program's ANSI code page set as a Western
// European and as a Russian Windows has it. (An older client's code-page answer: scan_answer.)
#include "common/text_convert.h"
#include "service/update_service.h"
#include "tests/server/test_catalogs.h"
#include "tests/unit/demo_scan_expectations.h"
#include "tests/unit/test_files.h"

#include <gtest/gtest.h>

namespace {

class answer_text_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new scratch_folder_c;
        std::string error;
        server_ = start_demo_server(folder_->path(), error).release();
        ASSERT_NE(server_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete server_;
        delete folder_;
    }
    void TearDown() override { set_ansi_code_page(1252); }

    // One scan query from a client whose OEM code page is `oem`.
    static void ask(device_store_c& store, int oem) {
        update_service_c service;
        service.trust.allow_unsigned = true;  // an unsigned test catalog
        service.mirrors = {server_->base_url(), server_->base_url(), server_->base_url()};
        service.installed_links_file = (folder_->path() / "setup.dat").wstring();
        machine_description_c machine;
        machine.os_code = "WIN764";
        machine.os_version_number = 61;
        machine.lang = oem;
        const query_outcome_c outcome = query_update_server(service, store, machine);
        ASSERT_TRUE(outcome.succeeded()) << failure_number(outcome.failure) << " " << outcome.failure_text;
    }

    static scratch_folder_c* folder_;
    static update_server_c* server_;
};

scratch_folder_c* answer_text_test::folder_ = nullptr;
update_server_c* answer_text_test::server_ = nullptr;

}  // namespace

TEST_F(answer_text_test, western_european_and_russian_clients_read_every_script_intact) {
    ASSERT_TRUE(set_ansi_code_page(1252));
    device_store_c western = localised_demo_devices(L"USB\\VID_046D&PID_C52B\\Empfänger-Ä");
    ask(western, 850);
    expect_localised_demo_texts(western);
    ASSERT_TRUE(set_ansi_code_page(1251));
    device_store_c russian = localised_demo_devices(L"USB\\VID_046D&PID_C52B\\Приёмник");
    ask(russian, 866);
    expect_localised_demo_texts(russian);
}
