// The real enumeration under Windows (Wine in the test runs) against the simulated PC, registered
// into the prefix through SetupAPI: it must keep exactly what the enumeration over the same
// profile keeps, field for field.
#include "devices/device_json.h"
#include "common/text_convert.h"
#include "devices/device_store.h"
#include "devices/profile_source.h"
#include "devices/system_source.h"
#include "common/failure_code.h"
#include "tests/tools/simulated_pc/profile_registration_win.h"

#include <gtest/gtest.h>

#include <set>

namespace {

const char* profile_path = VANTOREL_SOURCE_DIR "/tests/tools/simulated_pc/simulated-pc.json";

class setupapi_source_test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(load_device_profile(profile_path, profile, error)) << error;
        ASSERT_EQ(register_device_profile(profile), 0);
        for (const auto& device : profile.devices) profile_ids.insert(device.instance_id);
    }

    static bool from_profile(const device_c& record) {
        for (const auto& id : profile_ids)
            if (id.rfind(record.instance_path, 0) == 0 && id.size() > wcslen(record.instance_path) &&
                id[wcslen(record.instance_path)] == L'\\')
                return true;
        return false;
    }

    static device_profile_c profile;
    static std::set<std::wstring> profile_ids;
};

device_profile_c setupapi_source_test::profile;
std::set<std::wstring> setupapi_source_test::profile_ids;

nlohmann::ordered_json comparable(const device_c& record) {
    nlohmann::ordered_json json = device_json(record);
    // Ranks come from the driver list of an installed INF, which the simulation does not install,
    // and Wine keeps no device node state, so every node's status query succeeds.
    json.erase("driver_rank");
    json.erase("driver_rank_known");
    json.erase("status_known");
    return json;
}

}  // namespace

TEST_F(setupapi_source_test, keeps_exactly_what_the_rules_keep_with_every_field) {
    device_store_c expected_store;
    enumeration_progress_c expected_progress;
    // Wine lists a registered device whether or not it is attached (it ignores DIGCF_PRESENT),
    // so the simulated PC's absent devices are expected too.
    expected_progress.include_absent = 1;
    profile_source_c fake(profile);
    ASSERT_EQ(enumerate_devices(expected_store, fake, expected_progress), failure_code_c::none);

    device_store_c store;
    enumeration_progress_c progress;
    auto source = make_system_device_source();
    ASSERT_EQ(enumerate_devices(store, *source, progress), failure_code_c::none);
    EXPECT_EQ(progress.scanned.load(), progress.total.load());

    std::size_t seen = 0;
    for (const auto& record : store.devices) {
        if (!from_profile(record)) continue;
        ++seen;
        const device_c* wanted = find_device(expected_store, record.instance_path);
        ASSERT_NE(wanted, nullptr) << "kept but should be dropped: " << wide_to_utf8(record.instance_path);
        EXPECT_EQ(comparable(record).dump(1), comparable(*wanted).dump(1));
    }
    EXPECT_EQ(seen, expected_store.devices.size());
}

TEST_F(setupapi_source_test, classes_are_read_named_and_sorted) {
    device_store_c store;
    enumeration_progress_c progress;
    auto source = make_system_device_source();
    ASSERT_EQ(enumerate_devices(store, *source, progress), failure_code_c::none);
    std::set<std::wstring> names;
    for (std::size_t i = 0; i < store.classes.size(); ++i) {
        names.insert(store.classes[i].name);
        if (i > 0) {
            EXPECT_LE(wcscmp(store.classes[i - 1].description, store.classes[i].description), 0);
        }
        EXPECT_EQ(wcslen(store.classes[i].guid_text), 38u);
    }
    for (const auto& entry : profile.classes) EXPECT_TRUE(names.count(entry.name)) << wide_to_utf8(entry.name);
}

TEST_F(setupapi_source_test, class_images_are_the_stores_and_stay_valid_after_each_enumeration) {
    device_store_c store;
    store.class_images = make_system_class_images();
    ASSERT_NE(store.class_images, nullptr);
    HIMAGELIST list = class_image_list(store.class_images.get());
    ASSERT_NE(list, nullptr);
    for (int pass = 0; pass < 2; ++pass) {
        enumeration_progress_c progress;
        {
            auto source = make_system_device_source();
            ASSERT_EQ(enumerate_devices(store, *source, progress), failure_code_c::none);
        }
        // The source is gone; the list the indexes point into is not.
        int images = ImageList_GetImageCount(list);
        ASSERT_GT(images, 0) << "pass " << pass;
        for (const auto& device_class : store.classes) {
            EXPECT_GE(device_class.image_index, 0) << wide_to_utf8(device_class.name);
            EXPECT_LT(device_class.image_index, images) << wide_to_utf8(device_class.name);
        }
    }
}
