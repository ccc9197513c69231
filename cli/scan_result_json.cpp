#include "cli/scan_result_json.h"

#include "common/text_convert.h"
#include "devices/device_json.h"

#include <map>

namespace {

nlohmann::ordered_json choice_json(std::int32_t index, bool is_update) {
    if (index < 0) return nullptr;
    return {{"index", index}, {"is_update", is_update}};
}

}  // namespace

nlohmann::ordered_json driver_item_json(const driver_item_c& item) {
    return {
        {"hardid", wide_to_utf8(item.hardid)},
        {"title", wide_to_utf8(item.title)},
        {"version", wide_to_utf8(item.version)},
        {"guid", wide_to_utf8(item.guid)},
        {"link", std::string(item.link)},
        {"official_link", std::string(item.official_link)},
        {"inf_name", wide_to_utf8(item.inf_name)},
        {"manufacturer", wide_to_utf8(item.manufacturer)},
        {"date", wide_to_utf8(item.date)},
        {"description", wide_to_utf8(item.description)},
        {"size", item.size},
        {"cp", item.cp},
        {"sign", item.sign},
        {"feature", item.feature},
        {"targetos", item.targetos},
        {"sha256", item.signed_package ? digest_hex(item.sha256) : std::string()},
    };
}

namespace {

nlohmann::ordered_json device_result_json(const device_c& device) {
    nlohmann::ordered_json entry = device_json(device);
    auto items = nlohmann::ordered_json::array();
    for (std::uint32_t i = 0; i < device.item_count; ++i) items.push_back(driver_item_json(device.items[i]));
    entry["items"] = std::move(items);
    entry["best"] = choice_json(device.best_index, device.best_is_update);
    // What decided it: the signature, the feature score, the ID, the date, or "setup.dat".
    entry["reason"] = offer_reason_name(device.best_reason);
    entry["latest"] = choice_json(device.latest_index, device.latest_is_update);
    // Updates the user hid: left out, or with --show-hidden kept and marked.
    if (device.best_hidden || device.latest_hidden)
        entry["hidden"] = {{"best", device.best_hidden}, {"latest", device.latest_hidden}};
    // The installed driver's package was withdrawn by the catalog owner: why.
    if (!device.withdrawn_reason.empty()) entry["withdrawn"] = wide_to_utf8(device.withdrawn_reason);
    return entry;
}

// A value printed one space per level, as an element of an array two levels deep: JSON texts
// hold no raw line breaks, so every line break starts one of its own lines.
void write_nested(std::FILE* out, const nlohmann::ordered_json& value) {
    const std::string text = value.dump(1);
    std::size_t from = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', from)) {
        std::fwrite(text.data() + from, 1, at + 1 - from, out);
        std::fputs("  ", out);
        from = at + 1;
    }
    std::fwrite(text.data() + from, 1, text.size() - from, out);
}

}  // namespace

void write_scan_result_json(std::FILE* out, const scan_result_c& result, const machine_description_c& machine) {
    const query_outcome_c& outcome = result.outcome;
    const nlohmann::ordered_json head = {
        {"succeeded", result.succeeded()},
        {"last_error", failure_number(outcome.failure)},
        {"http_status", outcome.http_status},
        {"error_text", outcome.failure_text},
        {"answered_by", outcome.answered_by},
        {"mirror_failures", outcome.mirror_failures},
        {"items_refused", outcome.items_refused},
        {"items_unsigned", outcome.items_unsigned},
        {"items_withdrawn", outcome.items_withdrawn},
        {"catalog_serial", outcome.catalog_serial},
        {"reports_sent", {{"taken", outcome.reports.taken}, {"refused", outcome.reports.refused}, {"kept", outcome.reports.kept}}},
        {"os_code", machine.os_code},
        {"os_version_number", machine.os_version_number},
    };
    // The head without its closing brace, then the devices one at a time: a scan with thousands
    // of offered items is never held as one tree or one text.
    std::string text = head.dump(1);
    text.erase(text.size() - 2);
    std::fputs(text.c_str(), out);
    const std::vector<device_c>& devices = result.devices->devices;
    if (devices.empty()) {
        std::fputs(",\n \"devices\": []\n}\n", out);
        return;
    }
    std::fputs(",\n \"devices\": [", out);
    for (std::size_t i = 0; i < devices.size(); ++i) {
        std::fputs(i == 0 ? "\n  " : ",\n  ", out);
        write_nested(out, device_result_json(devices[i]));
    }
    std::fputs("\n ]\n}\n", out);
}

namespace {

// Devices per offered package for one choice, as the download page groups them.
std::string updates_by_package(const device_store_c& store, bool latest) {
    std::map<std::string, std::vector<const device_c*>> by_link;
    for (const device_c& device : store.devices) {
        const driver_item_c* item = latest ? device.latest_item() : device.best_item();
        bool update = latest ? device.latest_is_update : device.best_is_update;
        if (item && update && item->link[0]) by_link[item->link].push_back(&device);
    }
    std::string text;
    for (const auto& [link, devices] : by_link) {
        const device_c& first = *devices.front();
        const driver_item_c& item = latest ? *first.latest_item() : *first.best_item();
        text += "  " + wide_to_utf8(item.title) + " (" + wide_to_utf8(item.date) + ", " + std::to_string(item.size) +
                " bytes)\n    " + link + "\n";
        for (const device_c* device : devices) {
            text += "    for " + wide_to_utf8(device->display_name);
            text += device->has_driver ? " (installed " + wide_to_utf8(device->driver_version) + " of " +
                                             wide_to_utf8(device->driver_date) + ")\n"
                                       : " (no driver installed)\n";
        }
    }
    return text.empty() ? "  none\n" : text;
}

}  // namespace

std::string scan_failure_text(const query_outcome_c& query) {
    const std::string code = " (last_error " + std::to_string(failure_number(query.failure)) + ")";
    switch (query.failure) {
    case failure_code_c::invalid_answer:
        return "the answer of " + query.answered_by + " could not be read: it is no well-formed scan answer" + code;
    case failure_code_c::catalog_refused: {
        // Each mirror's reason: one may have been behind, another down.
        std::string text = "the answers were refused: ";
        for (std::size_t i = 0; i < query.mirror_failures.size(); ++i)
            text += (i ? "; " : "") + query.mirror_failures[i];
        return text + code;
    }
    case failure_code_c::network:
    case failure_code_c::network_timeout: {
        std::string text = "no update-server mirror answered: ";
        for (std::size_t i = 0; i < query.mirror_failures.size(); ++i)
            text += (i ? "; " : "") + query.mirror_failures[i];
        if (query.mirror_failures.empty()) text += "no mirror is configured";
        return text + code;
    }
    case failure_code_c::compress:
    case failure_code_c::transfer_create:
        return "the scan request could not be prepared" + code;
    default:
        return "the scan failed" + code;
    }
}

std::string scan_summary_text(const scan_result_c& result) {
    if (!result.succeeded()) return "The scan failed: " + scan_failure_text(result.outcome) + "\n";
    const device_store_c& store = *result.devices;
    std::size_t out_of_date = 0, without_driver = 0, up_to_date = 0, offered = 0;
    for (const device_c& device : store.devices) {
        offered += device.item_count > 0;
        if (!device.has_driver) {
            ++without_driver;
        } else if (device.best_is_update || device.latest_is_update) {
            ++out_of_date;
        } else {
            ++up_to_date;
        }
    }
    std::string text = "Devices found: " + std::to_string(store.devices.size()) + " (" + std::to_string(offered) +
                       " with offered packages)\n";
    text += "Out of date: " + std::to_string(out_of_date) + "\n";
    text += "Without a driver: " + std::to_string(without_driver) + "\n";
    text += "Up to date: " + std::to_string(up_to_date) + "\n";
    if (result.outcome.items_refused > 0)
        text += "Offers refused (signature missing or wrong): " + std::to_string(result.outcome.items_refused) + "\n";
    if (result.outcome.items_unsigned > 0)
        text += "Unsigned offers taken (allowed by the settings): " + std::to_string(result.outcome.items_unsigned) + "\n";
    if (result.outcome.items_withdrawn > 0)
        text += "Offers withdrawn by the catalog owner: " + std::to_string(result.outcome.items_withdrawn) + "\n";
    std::size_t hidden = 0;
    for (const device_c& device : store.devices) {
        hidden += device.best_hidden || device.latest_hidden;
        if (!device.withdrawn_reason.empty())
            text += "Installed driver withdrawn: " + wide_to_utf8(device.display_name) + ": " +
                    wide_to_utf8(device.withdrawn_reason) + "\n";
    }
    if (hidden > 0) text += "Updates you hid: " + std::to_string(hidden) + " (vantorel-cli hidden lists them)\n";
    text += "Updates, best choice:\n" + updates_by_package(store, false);
    text += "Updates, latest choice:\n" + updates_by_package(store, true);
    return text;
}
