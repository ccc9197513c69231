#include "devices/device_json.h"
#include "devices/device_store.h"
#include "devices/profile_source.h"
#include "common/failure_code.h"
#include "service/driver_matching.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>

namespace {

const char* classes_json = R"(
  "classes": [
    {"guid": "{4d36e968-e325-11ce-bfc1-08002be10318}", "name": "Display", "description": "Display adapters"},
    {"guid": "{4d36e972-e325-11ce-bfc1-08002be10318}", "name": "Net", "description": "Network adapters"},
    {"guid": "{4d36e97d-e325-11ce-bfc1-08002be10318}", "name": "System", "description": "System devices"},
    {"guid": "{4d36e967-e325-11ce-bfc1-08002be10318}", "name": "DiskDrive", "description": "Disk drives"},
    {"guid": "{50127dc3-0f36-415e-a6cc-4cb3be910b65}", "name": "Processor", "description": "Processors"},
    {"guid": "{72631e54-78a4-11d0-bcf7-00aa00b7b32a}", "name": "Battery", "description": "Batteries"},
    {"guid": "{8ecc055d-047f-11d1-a537-0000f8753ed1}", "name": "LegacyDriver", "description": "Non-Plug and Play Drivers"},
    {"guid": "{4d36e97e-e325-11ce-bfc1-08002be10318}", "name": "Unknown", "description": "Other devices"},
    {"guid": "{11111111-2222-3333-4444-555555555555}", "name": "", "description": "A class without a readable name"}
  ])";

// Without a rank the source cannot read the installed driver's rank.
std::string driver_json(const char* date = "6-21-2006", bool with_rank = true) {
    return std::string(R"({"DriverVersion": "8.17.12.9573", "InfPath": "oem12.inf", "DriverDate": ")") + date +
           R"(", "DriverDesc": "Sample driver", "MatchingDeviceId": "PCI\\VEN_10DE&DEV_1C82", "ProviderName": "NVIDIA")" +
           (with_rank ? R"(, "rank": 16719872})" : "}");
}

std::string json_escaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// A device of the given class with hardware and compatible IDs; id is a plain instance ID.
std::string device_json(const std::string& plain_id, const std::string& class_name, const std::string& class_guid,
                        const std::string& extra = "") {
    const std::string id = json_escaped(plain_id);
    return R"({"instance_id": ")" + id + R"(", "class": ")" + class_name + R"(", "class_guid": ")" + class_guid +
           R"(", "description": "Device )" + id + R"(", "hardware_ids": ["HW\\A", "HW\\B"], "compatible_ids": ["CC\\X"])" +
           extra + "}";
}

const std::string display_guid = "{4d36e968-e325-11ce-bfc1-08002be10318}";
const std::string system_guid = "{4d36e97d-e325-11ce-bfc1-08002be10318}";

struct enumeration_c {
    device_store_c store;
    enumeration_progress_c progress;
    bool result = false;
};

void enumerate(enumeration_c& run, const std::string& devices, bool include_absent = false) {
    device_profile_c profile;
    std::string error;
    std::string text = "{" + std::string(classes_json) + ", \"devices\": [" + devices + "]}";
    ASSERT_TRUE(parse_device_profile(text, profile, error)) << error;
    profile_source_c source(profile);
    run.progress.include_absent = include_absent ? 1 : 0;
    run.result = enumerate_devices(run.store, source, run.progress) == failure_code_c::none;
}

}  // namespace

TEST(device_store, classes_are_named_sorted_by_description_and_unnamed_ones_dropped) {
    enumeration_c run;
    enumerate(run, "");
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.classes.size(), 8u);
    for (std::size_t i = 1; i < run.store.classes.size(); ++i)
        EXPECT_LT(std::wcscmp(run.store.classes[i - 1].description, run.store.classes[i].description), 0);
    EXPECT_STREQ(run.store.classes.front().description, L"Batteries");
    EXPECT_STREQ(run.store.classes.front().guid_text, L"{72631E54-78A4-11D0-BCF7-00AA00B7B32A}");
    // An empty system is no error.
    EXPECT_TRUE(run.store.devices.empty());
    EXPECT_EQ(run.progress.total.load(), 0);
    EXPECT_EQ(run.progress.scanned.load(), 0);
}

TEST(device_store, instances_sharing_an_instance_path_merge_into_one_record) {
    enumeration_c run;
    enumerate(run, device_json("USB\\VID_046D&PID_C52B\\5&1", "Display", display_guid) + "," +
                       device_json("USB\\VID_046D&PID_C52B\\5&2", "Display", display_guid));
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.devices.size(), 1u);
    EXPECT_EQ(run.store.devices[0].instance_count, 2);
    EXPECT_STREQ(run.store.devices[0].instance_path, L"USB\\VID_046D&PID_C52B");
    EXPECT_EQ(run.progress.total.load(), 2);
    EXPECT_EQ(run.progress.scanned.load(), 2);
}

TEST(device_store, drop_rules_for_driver_devices_by_enumerator_and_class) {
    const std::string drv = R"(, "driver": )" + driver_json();
    enumeration_c run;
    enumerate(run,
              device_json("ROOT\\SYSTEM\\0001", "System", system_guid, drv) + "," +              // root with driver: dropped
                  device_json("ROOT\\DISPLAY\\0000", "Display", display_guid) + "," +            // root without driver: kept
                  device_json("ACPI\\PNP0A08\\0", "System", system_guid, drv) + "," +            // ACPI system: dropped
                  device_json("ACPI\\PNP0C0A\\1", "Battery", "{72631e54-78a4-11d0-bcf7-00aa00b7b32a}", drv) + "," +  // kept
                  device_json("ISAPNP\\X\\1", "Display", display_guid, drv) + "," +              // ISA PnP: dropped
                  device_json("SCSI\\DISK\\1", "DiskDrive", "{4d36e967-e325-11ce-bfc1-08002be10318}", drv) + "," +
                  device_json("ROOT\\LEGACY_BEEP\\0000", "LegacyDriver", "{8ecc055d-047f-11d1-a537-0000f8753ed1}") + "," +
                  device_json("PCI\\VEN_10DE&DEV_1C82\\4&1", "Display", display_guid, drv));
    ASSERT_TRUE(run.result);
    std::vector<std::wstring> kept;
    for (const auto& record : run.store.devices) kept.push_back(record.instance_path);
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"ROOT\\DISPLAY", L"ACPI\\PNP0C0A", L"PCI\\VEN_10DE&DEV_1C82"}));
    EXPECT_EQ(run.progress.scanned.load(), 8);
    EXPECT_EQ(run.progress.current_name(), L"Device PCI\\VEN_10DE&DEV_1C82\\4&1");
}

TEST(device_store, devices_without_class_fall_back_to_unknown_and_need_their_id_lists) {
    enumeration_c run;
    enumerate(run,
              R"({"instance_id": "PCI\\VEN_1\\1", "description": "No class", "hardware_ids": ["A"], "compatible_ids": []},)"
              R"({"instance_id": "PCI\\VEN_2\\1", "description": "No compatible IDs", "class": "Display", "class_guid": ")" +
                  display_guid + R"(", "hardware_ids": ["A"]},)"
              R"({"instance_id": "NOBACKSLASH", "description": "Bad id", "hardware_ids": ["A"], "compatible_ids": []},)"
              R"({"instance_id": "\\LEADING", "description": "Bad id", "hardware_ids": ["A"], "compatible_ids": []},)"
              R"({"instance_id": "PCI\\VEN_3\\1", "hardware_ids": ["A"], "compatible_ids": []})");
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.devices.size(), 1u);
    const device_c& record = run.store.devices[0];
    EXPECT_STREQ(record.instance_path, L"PCI\\VEN_1");
    ASSERT_NE(record.device_class, nullptr);
    EXPECT_STREQ(record.device_class->name, L"Unknown");
    EXPECT_FALSE(record.has_driver);
    EXPECT_STREQ(record.class_name, L"");
    EXPECT_EQ(record.compatible_ids, std::wstring(1, L'\0'));
}

TEST(device_store, driver_key_fields_date_normalisation_and_rank) {
    enumeration_c run;
    enumerate(run, device_json("PCI\\VEN_10DE&DEV_1C82\\4&1", "Display", display_guid,
                               R"(, "friendly_name": "GeForce GTX 1050 Ti", "driver": )" + driver_json("12-31-2012")));
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.devices.size(), 1u);
    const device_c& record = run.store.devices[0];
    EXPECT_STREQ(record.display_name, L"GeForce GTX 1050 Ti");
    EXPECT_TRUE(record.has_driver);
    EXPECT_STREQ(record.driver_date, L"2012-12-31");
    EXPECT_STREQ(record.driver_version, L"8.17.12.9573");
    EXPECT_STREQ(record.inf_path, L"oem12.inf");
    EXPECT_STREQ(record.driver_provider, L"NVIDIA");
    EXPECT_STREQ(record.matching_device_id, L"PCI\\VEN_10DE&DEV_1C82");
    EXPECT_EQ(record.driver_rank, 16719872u);
    EXPECT_STREQ(record.enumerator, L"PCI");
    EXPECT_TRUE(record.status_known);
    EXPECT_EQ(split_multi_string(record.hardware_ids), (std::vector<std::wstring>{L"HW\\A", L"HW\\B"}));
}

TEST(device_store, an_unreadable_rank_is_unknown_and_offers_are_judged_by_date_and_version) {
    enumeration_c run;
    enumerate(run, device_json("PCI\\VEN_10DE&DEV_1C82\\4&1", "Display", display_guid,
                               R"(, "driver": )" + driver_json("6-21-2006", false)));
    ASSERT_EQ(run.store.devices.size(), 1u);
    device_c& record = run.store.devices[0];
    EXPECT_TRUE(record.has_driver);
    EXPECT_FALSE(record.driver_rank_known);
    EXPECT_EQ(device_json(record)["driver_rank_known"], false);  // as the scan's JSON gives each device

    // A signed offer with a feature score is never better than a rank taken as 0; it is newer.
    driver_item_c offer;
    offer.hardid = L"PCI\\VEN_10DE&DEV_1C82";
    offer.date = L"2020-01-01";
    offer.version = L"1.0";
    offer.feature = 0x80;
    record.items = {offer};
    record.item_count = 1;
    choose_items(matching_context_c{61, nullptr}, record);
    EXPECT_TRUE(record.best_is_update);
    // An older offer is no update, whatever ID it is for.
    record.items[0].date = L"2006-06-20";
    record.items[0].hardid = L"PCI\\VEN_10DE";
    choose_items(matching_context_c{61, nullptr}, record);
    EXPECT_FALSE(record.best_is_update);
}

TEST(device_store, incomplete_driver_keys_keep_what_was_read_but_give_no_driver) {
    enumeration_c run;
    enumerate(run,
              device_json("PCI\\VEN_1\\1", "Display", display_guid,
                          R"(, "driver": {"DriverVersion": "1.0", "InfPath": "oem1.inf", "DriverDate": "10-3-2012", "DriverDesc": "d"})") +
                  "," +
                  device_json("PCI\\VEN_2\\1", "Display", display_guid,
                              R"(, "driver": {"DriverVersion": "1.0", "InfPath": "oem1.inf", "DriverDate": "10-3-2012", "DriverDesc": "d", "MatchingDeviceId": "X"})") +
                  "," +
                  device_json("PCI\\VEN_3\\1", "Display", display_guid,
                              R"(, "driver": {"DriverVersion": 5, "InfPath": "oem1.inf", "DriverDate": "1-1-2001", "DriverDesc": "d", "MatchingDeviceId": "X"})"));
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.devices.size(), 3u);
    const device_c& no_matching_id = run.store.devices[0];
    EXPECT_FALSE(no_matching_id.has_driver);
    EXPECT_STREQ(no_matching_id.driver_date, L"2012-10-03");
    EXPECT_STREQ(no_matching_id.driver_description, L"d");
    const device_c& no_provider = run.store.devices[1];
    EXPECT_TRUE(no_provider.has_driver);
    EXPECT_STREQ(no_provider.driver_provider, L"");
    EXPECT_EQ(no_provider.driver_rank, 0u);  // no rank could be read
    const device_c& wrong_type = run.store.devices[2];
    EXPECT_FALSE(wrong_type.has_driver);
    EXPECT_STREQ(wrong_type.driver_version, L"");
}

TEST(device_store, absent_devices_are_counted_only_when_asked_for) {
    const std::string devices = device_json("PCI\\VEN_1\\1", "Display", display_guid) + "," +
                                device_json("PCI\\VEN_2\\1", "Display", display_guid, R"(, "present": false)");
    enumeration_c present_only;
    enumerate(present_only, devices, false);
    EXPECT_EQ(present_only.progress.total.load(), 1);
    EXPECT_EQ(present_only.store.devices.size(), 1u);
    enumeration_c all;
    enumerate(all, devices, true);
    EXPECT_EQ(all.progress.total.load(), 2);
    ASSERT_EQ(all.store.devices.size(), 2u);
    EXPECT_FALSE(all.store.devices[1].status_known);
}

TEST(device_store, a_second_enumeration_replaces_the_first) {
    enumeration_c run;
    enumerate(run, device_json("PCI\\VEN_1\\1", "Display", display_guid));
    ASSERT_EQ(run.store.devices.size(), 1u);
    enumerate(run, "");
    EXPECT_TRUE(run.store.devices.empty());
    EXPECT_EQ(run.store.classes.size(), 8u);
}

namespace {

// Class images that know the display class only.
class display_only_images_c : public class_images_c {
public:
    bool image_index(const class_guid_c& guid, std::int32_t& index) const override {
        class_guid_c display;
        class_guid_c::parse(L"{4d36e968-e325-11ce-bfc1-08002be10318}", display);
        if (!(guid == display)) return false;
        index = 7;
        return true;
    }
};

const device_class_c* class_named(const device_store_c& store, const wchar_t* name) {
    for (const auto& device_class : store.classes)
        if (std::wcscmp(device_class.name, name) == 0) return &device_class;
    return nullptr;
}

}  // namespace

TEST(device_store, image_indexes_come_from_the_stores_own_class_images_in_every_enumeration) {
    enumeration_c run;
    run.store.class_images = std::make_shared<display_only_images_c>();
    const class_images_c* images = run.store.class_images.get();
    for (int pass = 0; pass < 2; ++pass) {
        enumerate(run, device_json("PCI\\VEN_1\\1", "Display", display_guid));
        ASSERT_TRUE(run.result);
        EXPECT_EQ(run.store.class_images.get(), images) << "pass " << pass;
        ASSERT_EQ(run.store.devices.size(), 1u);
        EXPECT_EQ(run.store.devices[0].device_class->image_index, 7);
        // A class the images cannot place keeps what the source said (here its position).
        ASSERT_NE(class_named(run.store, L"Net"), nullptr);
        EXPECT_EQ(class_named(run.store, L"Net")->image_index, 1);
    }
    run.store.clear();
    EXPECT_EQ(run.store.class_images.get(), images);
}

TEST(device_record, driver_dates_become_year_month_day) {
    wchar_t date[11] = L"6-21-2006";
    normalise_driver_date(date);
    EXPECT_STREQ(date, L"2006-06-21");
    wchar_t garbage[11] = L"yesterday";
    normalise_driver_date(garbage);
    EXPECT_STREQ(garbage, L"yesterday");
    wchar_t big[11] = L"1-2-123456";
    normalise_driver_date(big);
    EXPECT_EQ(std::wcslen(big), 10u);
}

TEST(device_record, class_guids_parse_and_print_in_registry_form) {
    class_guid_c guid;
    ASSERT_TRUE(class_guid_c::parse(L"{4d36e968-e325-11ce-bfc1-08002be10318}", guid));
    EXPECT_EQ(guid.text(), L"{4D36E968-E325-11CE-BFC1-08002BE10318}");
    EXPECT_FALSE(class_guid_c::parse(L"4d36e968-e325-11ce-bfc1-08002be10318", guid));
    EXPECT_FALSE(class_guid_c::parse(L"{4d36e968-e325-11ce-bfc1-08002be1031g}", guid));
}

TEST(device_profile, malformed_profiles_are_refused_with_a_reason) {
    device_profile_c profile;
    std::string error;
    EXPECT_FALSE(parse_device_profile("{", profile, error));
    EXPECT_FALSE(parse_device_profile(R"({"devices": [{"class": "Net"}]})", profile, error));
    EXPECT_NE(error.find("devices[0]"), std::string::npos) << error;
    EXPECT_FALSE(parse_device_profile(R"({"devices": [{"instance_id": "A\\B", "hardware_ids": "x"}]})", profile, error));
    EXPECT_NE(error.find("hardware_ids"), std::string::npos) << error;
}

TEST(device_store, a_platform_without_the_enumerator_property_gets_the_first_id_component) {
    enumeration_c run;
    enumerate(run, R"({"instance_id": "USB\\VID_046D&PID_C52B\\5&1", "class": "Display", "class_guid": ")" +
                       display_guid + R"(", "description": "d", "hardware_ids": ["A"], "compatible_ids": []},)" +
                       R"({"instance_id": "PCI\\VEN_1\\1", "class": "Display", "class_guid": ")" + display_guid +
                       R"(", "description": "d", "enumerator": "PCI", "hardware_ids": ["A"], "compatible_ids": []})");
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.store.devices.size(), 2u);
    EXPECT_STREQ(run.store.devices[0].enumerator, L"USB");
    EXPECT_STREQ(run.store.devices[1].enumerator, L"PCI");
    EXPECT_EQ(enumerator_from_instance_id(L"ROOT"), L"ROOT");
    EXPECT_EQ(instance_path_from_id(L"ROOT\\X\\0000"), std::optional<std::wstring>(L"ROOT\\X"));
}

namespace {

// A source that fails at a chosen step, as a broken system would.
class failing_source_c : public profile_source_c {
public:
    enum class failure_c { class_list, device_set, walk_at_second, stopped_after_first };
    failing_source_c(device_profile_c profile, failure_c failure) : profile_source_c(std::move(profile)), failure_(failure) {}
    bool build_class_list(std::vector<device_class_c>& classes) override {
        if (failure_ == failure_c::class_list) {
            profile_source_c::build_class_list(classes);  // a partial list must not survive
            return false;
        }
        return profile_source_c::build_class_list(classes);
    }
    bool open_devices(bool include_absent) override {
        return failure_ != failure_c::device_set && profile_source_c::open_devices(include_absent);
    }
    device_step_c select_device(std::int32_t index) override {
        if (failure_ == failure_c::walk_at_second && index == 1) return device_step_c::failure;
        // The walk, not the count before it: the closing program stops it through the progress.
        if (failure_ == failure_c::stopped_after_first && index == 0 && ++firsts == 2) stop->store(true);
        return profile_source_c::select_device(index);
    }
    std::atomic<bool>* stop = nullptr;

private:
    failure_c failure_;
    int firsts = 0;
};

device_profile_c two_device_profile() {
    device_profile_c profile;
    std::string error;
    std::string text = "{" + std::string(classes_json) + ", \"devices\": [" +
                       device_json("PCI\\VEN_1\\1", "Display", display_guid) + "," +
                       device_json("PCI\\VEN_2\\1", "Display", display_guid) + "]}";
    EXPECT_TRUE(parse_device_profile(text, profile, error)) << error;
    return profile;
}

}  // namespace

TEST(device_store, failures_are_returned_and_leave_the_documented_state) {
    using failure_c = failing_source_c::failure_c;
    struct case_c {
        failure_c failure;
        std::int32_t error;
        std::size_t classes;
        std::size_t devices;
    };
    for (const case_c& each : {case_c{failure_c::class_list, 16, 0, 0}, case_c{failure_c::device_set, 17, 8, 0},
                               case_c{failure_c::walk_at_second, 19, 8, 1}, case_c{failure_c::stopped_after_first, 19, 8, 1}}) {
        device_store_c store;
        enumeration_progress_c progress;
        failing_source_c source(two_device_profile(), each.failure);
        source.stop = &progress.stop;
        EXPECT_EQ(failure_number(enumerate_devices(store, source, progress)), each.error);
        EXPECT_EQ(store.classes.size(), each.classes) << each.error;
        EXPECT_EQ(store.devices.size(), each.devices) << each.error;
    }
}
