#include "ui/pages/driver_grouping.h"

#include "common/text_compare.h"

#include <algorithm>
#include <cstring>

int class_rank(const wchar_t* class_name) {
    static const wchar_t* const ranked[] = {L"Unknown", L"Display", L"MEDIA", L"Net", L"Image", L"Printer"};
    for (int rank = 0; rank < 6; ++rank)
        if (equal_ignoring_case(class_name, ranked[rank])) return rank;
    return 6;
}

std::vector<driver_group_c> build_driver_groups(const device_store_c& store, package_mode_c mode, text_order_t order,
                                                bool show_hidden) {
    std::vector<driver_group_c> groups;
    for (const device_c& device : store.devices) {
        const driver_item_c* item = chosen_item(device, mode);
        if (!item || item->link.empty()) continue;
        const bool hidden = chosen_is_hidden(device, mode);
        if (hidden && !show_hidden) continue;
        bool needed = chosen_is_update(device, mode);
        auto same_link = std::find_if(groups.begin(), groups.end(), [&](const driver_group_c& group) {
            return std::strcmp(group.link, item->link.c_str()) == 0;
        });
        if (same_link == groups.end()) {
            driver_group_c group;
            group.link = item->link.c_str();
            group.none_needed = !needed;
            group.mode = mode;
            group.item = item;
            group.hidden = hidden;
            group.devices.push_back(&device);
            groups.push_back(std::move(group));
        } else {
            same_link->devices.push_back(&device);
            if (needed) same_link->none_needed = false;
            if (hidden) same_link->hidden = true;
        }
    }
    auto description = [&store](const driver_group_c& group) {
        const device_class_c* found = find_device_class(store, *group.devices.front());
        return found ? found->description : L"";
    };
    std::stable_sort(groups.begin(), groups.end(), [&](const driver_group_c& a, const driver_group_c& b) {
        if (a.none_needed != b.none_needed) return !a.none_needed;
        int rank_a = class_rank(a.devices.front()->class_name), rank_b = class_rank(b.devices.front()->class_name);
        if (rank_a != rank_b) return rank_a < rank_b;
        return order(description(a), description(b)) < 0;
    });
    return groups;
}
