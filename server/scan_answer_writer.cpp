#include "server/scan_answer_writer.h"

#include <algorithm>
#include <cstdio>

namespace {

void append_escaped(std::string& out, std::string_view text) {
    // Most texts need no escaping at all.
    bool plain = true;
    for (char c : text) plain = plain && c != '&' && c != '<' && c != '>' && c != '"' && static_cast<unsigned char>(c) >= 0x20;
    if (plain) {
        out.append(text.data(), text.size());
        return;
    }
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            // Control characters cannot appear in an XML document at all.
            out += (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') ? ' ' : c;
        }
    }
}

void append_element(std::string& out, const char* name, std::string_view text) {
    out += '<';
    out += name;
    out += '>';
    append_escaped(out, text);
    out += "</";
    out += name;
    out += '>';
}

void append_item(std::string& out, const driver_offer_c& offer, const answer_settings_c& settings) {
    const catalog_package_c& package = *offer.package;
    const catalog_entry_c& entry = *offer.entry;
    const catalog_inf_c& inf = package.infs[entry.inf_index];
    char feature[8];
    std::snprintf(feature, sizeof feature, "%x", unsigned(entry.feature_score < 0 ? 0xFF : entry.feature_score & 0xFF));

    out += "<item>";
    append_element(out, "hardid", entry.device_id);
    append_element(out, "title", package.title);
    append_element(out, "ver", inf.driver_version);
    append_element(out, "size", std::to_string(package.size));
    append_element(out, "guid", inf.class_guid);
    append_element(out, "link", settings.package_base_url + escape_url_component(package.file_name));
    append_element(out, "infpath", offered_inf_path(package, inf));
    if (!package.official_link.empty()) append_element(out, "official_link", package.official_link);
    append_element(out, "cp", std::to_string(offer.cp));
    append_element(out, "manu", entry.manufacturer);
    append_element(out, "sign", std::to_string(package.sign));
    append_element(out, "feature", feature);
    append_element(out, "targetos", std::to_string(entry_target_os(entry)));
    append_element(out, "date", inf.driver_date);
    append_element(out, "desc", entry.description);
    out += "</item>\n";
}

}  // namespace

std::string escape_url_component(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '.' ||
                     u == '_' || u == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0xF];
        }
    }
    return out;
}

std::string offered_inf_path(const catalog_package_c& package, const catalog_inf_c& inf) {
    std::string folder = package.file_name.substr(0, package.file_name.rfind('.'));
    if (folder.empty()) folder = "package";
    return folder + "/" + inf.inf_path;
}

std::vector<std::vector<driver_offer_c>> offers_for_request(const scan_request_c& request, const catalog_index_c& index,
                                                            std::size_t most) {
    client_target_c target = client_target_for(request.os_code);
    std::vector<std::vector<driver_offer_c>> offers;
    offers.reserve(request.devices.size());
    for (const requested_device_c& device : request.devices) offers.push_back(index.offers_for(device, target, most));
    return offers;
}

std::string write_scan_answer(const scan_request_c& request, const std::vector<std::vector<driver_offer_c>>& offers,
                              const answer_settings_c& settings) {
    std::string out;
    out.reserve(256 + request.devices.size() * 1024);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kelvdoc>\n<hardwares>\n";
    for (std::size_t d = 0; d < request.devices.size(); ++d) {
        out += "<hardware>";
        append_element(out, "id", request.devices[d].id);
        out += '\n';
        if (d < offers.size()) {
            std::size_t count = std::min(offers[d].size(), settings.items_per_device);
            for (std::size_t i = 0; i < count; ++i) append_item(out, offers[d][i], settings);
        }
        out += "</hardware>\n";
    }
    out += "</hardwares>\n</kelvdoc>\n";
    return out;
}

std::string write_scan_answer(const scan_request_c& request, const catalog_index_c& index,
                              const answer_settings_c& settings) {
    return write_scan_answer(request, offers_for_request(request, index, settings.items_per_device), settings);
}
