#include "service/hidden_offers.h"

#include "common/file_open.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"
#include "common/text_lines.h"
#include "service/driver_matching.h"

#include <algorithm>

namespace {

bool same_device(const std::wstring& a, const std::wstring& b) { return equal_ignoring_case(a.c_str(), b.c_str()); }

}  // namespace

bool hidden_offers_c::hides(const device_c& device, const driver_item_c& item) const {
    const std::string offered = wide_to_utf8(item.version);
    return std::any_of(entries_.begin(), entries_.end(), [&](const hidden_offer_c& entry) {
        return same_device(entry.instance_path, device.instance_path) &&
               (entry.every_version() || !version_newer(offered.c_str(), wide_to_utf8(entry.version).c_str()));
    });
}

void hidden_offers_c::hide(const std::wstring& instance_path, const std::wstring& version) {
    for (const hidden_offer_c& entry : entries_)
        if (same_device(entry.instance_path, instance_path) && entry.version == version) return;
    entries_.push_back({instance_path, version});
}

std::size_t hidden_offers_c::unhide(const std::wstring& instance_path, const std::wstring& version) {
    const std::size_t before = entries_.size();
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [&](const hidden_offer_c& entry) {
                                      return same_device(entry.instance_path, instance_path) &&
                                             (version.empty() || entry.version == version);
                                  }),
                   entries_.end());
    return before - entries_.size();
}

std::wstring hidden_offers_path(const std::wstring& data_folder) { return join_path(data_folder, L"hidden.dat"); }

std::optional<hidden_offers_c> read_hidden_offers(const std::wstring& path) {
    hidden_offers_c offers;
    if (path.empty() || !file_exists(path)) return offers;
    std::FILE* file = open_file(path, "rb");
    if (!file) return std::nullopt;
    std::string line;
    while (read_text_line(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab + 1 == line.size()) continue;
        const std::string version = line.substr(tab + 1);
        offers.hide(utf8_to_wide(line.substr(0, tab)), version == "*" ? std::wstring() : utf8_to_wide(version));
    }
    const bool read = !std::ferror(file);
    std::fclose(file);
    if (!read) return std::nullopt;
    return offers;
}

bool write_hidden_offers(const std::wstring& path, const hidden_offers_c& offers) {
    std::string text;
    for (const hidden_offer_c& entry : offers.entries())
        text += wide_to_utf8(entry.instance_path) + "\t" + (entry.every_version() ? std::string("*") : wide_to_utf8(entry.version)) + "\n";
    return write_file_atomically(path, text);
}
