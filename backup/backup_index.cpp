#include "backup/backup_index.h"

#include "common/file_open.h"
#include "common/fixed_text.h"
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"
#include "common/xml_nesting.h"

#include <tinyxml.h>

#include <cstring>
#include <string_view>

backup_index_c backup_index;
std::mutex backup_index_lock;

namespace {

// The text of an element: all its text and CDATA children together (a text holding "]]>" is
// written as two CDATA sections).
bool element_text(const TiXmlElement* element, std::string& text) {
    if (!element) return false;
    bool any = false;
    text.clear();
    for (const TiXmlNode* child = element->FirstChild(); child; child = child->NextSibling()) {
        if (const TiXmlText* part = child->ToText()) {
            text += part->Value();
            any = true;
        }
    }
    return any;
}

bool child_text(const TiXmlElement& parent, const char* name, std::string& text) {
    return element_text(parent.FirstChildElement(name), text);
}

template <std::size_t Capacity>
void copy_wide(wchar_t (&field)[Capacity], const std::wstring& text) {
    copy_text(field, std::wstring_view(text));
}

// A name the index may hold: a file directly in the backup folder.
bool plain_file_name(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

// The device texts of an index this version writes are UTF-8 (the root says texts="utf-8"), so that
// a name outside the ANSI code page survives; older files hold them in the ANSI code page.
bool texts_in_utf8(const TiXmlElement& root) {
    const char* texts = root.Attribute("texts");
    return texts && std::string_view(texts) == "utf-8";
}

bool read_device(const TiXmlElement& element, const backup_entry_c& entry, const device_store_c& store, bool utf8,
                 backup_device_c& device) {
    static const char* const names[] = {"id", "desc", "manu", "name", "version", "date"};
    std::wstring texts[6];
    for (int i = 0; i < 6; ++i) {
        std::string text;
        if (!child_text(element, names[i], text)) return false;
        texts[i] = utf8 ? utf8_to_wide(text) : ansi_to_wide(text);
    }
    copy_wide(device.id, texts[0]);
    copy_wide(device.desc, texts[1]);
    copy_wide(device.manu, texts[2]);
    copy_wide(device.name, texts[3]);
    copy_wide(device.version, texts[4]);
    copy_wide(device.driver_date, texts[5]);
    copy_wide(device.backup_date, ansi_to_wide(entry.date));
    copy_wide(device.archive_name, ansi_to_wide(entry.file_name));
    device.device = find_device(store, device.id);
    // A device absent now (unplugged) keeps its texts as the file gives them, for the next save.
    device.current = device.device ? device_texts_of(*device.device)
                                   : device_texts_c{texts[0], texts[1], texts[2], texts[3], texts[4], texts[5]};
    return true;
}

bool read_entry(const TiXmlElement& driver, const std::wstring& backup_folder, const device_store_c& store, bool utf8,
                backup_entry_c& entry) {
    std::string file, date;
    if (!child_text(driver, "file", file) || !child_text(driver, "date", date)) return false;
    copy_text(entry.file_name, std::string_view(file));
    if (!plain_file_name(entry.file_name)) return false;
    // An archive missing here may be in another folder this index also serves: kept, not offered.
    entry.archive_present = file_exists(join_path(backup_folder, ansi_to_wide(entry.file_name)));
    copy_text(entry.date, std::string_view(date));
    std::string digest;
    // A digest that cannot be read is kept as none: the archive is then restored unchecked, as
    // those of older index files are, rather than lost to the user.
    if (child_text(driver, "sha256", digest)) entry.sha256 = digest_from_hex(digest);
    if (const TiXmlElement* package = driver.FirstChildElement("package")) {
        std::string inf, version;
        if (child_text(*package, "inf", inf) && child_text(*package, "version", version)) {
            entry.package_inf = utf8 ? utf8_to_wide(inf) : ansi_to_wide(inf);
            entry.package_version = utf8 ? utf8_to_wide(version) : ansi_to_wide(version);
        }
    }
    std::string taken;
    entry.automatic = child_text(driver, "taken", taken) && taken == "automatic";
    const TiXmlElement* devices = driver.FirstChildElement("devices");
    const TiXmlElement* device = devices ? devices->FirstChildElement("device") : nullptr;
    if (!device) return false;
    for (; device; device = device->NextSiblingElement("device")) {
        backup_device_c read;
        if (read_device(*device, entry, store, utf8, read)) entry.devices.push_back(std::move(read));
    }
    return !entry.devices.empty();
}

// A file that cannot be read is kept for the user, under a name no earlier one has.
std::wstring set_aside(const std::wstring& path) {
    for (int n = 0; n < 1000; ++n) {
        const std::wstring aside = path + L".bad" + (n == 0 ? std::wstring() : L"." + std::to_wstring(n));
        if (file_exists(aside)) continue;
        return replace_file(path, aside) ? aside : std::wstring();
    }
    return {};
}

void add_cdata(TiXmlElement& parent, const char* name, const std::string& text) {
    auto* element = new TiXmlElement(name);
    // "]]>" would end the section early: split it between two sections.
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("]]>", start)) != std::string::npos; start = end + 2) {
        auto* part = new TiXmlText(text.substr(start, end + 2 - start));
        part->SetCDATA(true);
        element->LinkEndChild(part);
    }
    auto* rest = new TiXmlText(text.substr(start));
    rest->SetCDATA(true);
    element->LinkEndChild(rest);
    parent.LinkEndChild(element);
}

}  // namespace


namespace {

backup_index_load_c read_index_file(backup_index_c& index, const std::wstring& index_path,
                                    const std::wstring& backup_folder, const device_store_c& store) {
    backup_index_load_c load;
    std::FILE* file = open_file(index_path, "rb");
    if (!file) return load;
    std::string bytes;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
    const bool read_whole = !std::ferror(file);
    std::fclose(file);
    if (!read_whole) return load;

    // An index nests four levels deep; one nested far deeper would overflow the parser's stack.
    constexpr std::size_t most_nesting = 32;
    if (!xml_nesting_within(bytes, most_nesting)) {
        load.set_aside = set_aside(index_path);
        return load;
    }
    TiXmlDocument document;
    document.Parse(bytes.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (document.Error() || bytes.find('\0') != std::string::npos) {
        load.set_aside = set_aside(index_path);
        return load;
    }
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* driver = root ? root->FirstChildElement("driver") : nullptr;
    if (!driver) return load;
    index.clear();
    for (; driver; driver = driver->NextSiblingElement("driver")) {
        backup_entry_c entry;
        if (read_entry(*driver, backup_folder, store, texts_in_utf8(*root), entry)) index.push_back(std::move(entry));
    }
    load.result = 0;
    return load;
}

}  // namespace

backup_index_load_c load_backup_index(backup_index_c& index, const std::wstring& index_path,
                                      const std::wstring& backup_folder, const device_store_c& store) {
    backup_index_load_c load = read_index_file(index, index_path, backup_folder, store);
    // An index left as it was still points into the store it was loaded against, which a new
    // scan frees: its devices are looked up again in this one (those it lacks point nowhere), and
    // its archives in this folder.
    if (load.result != 0)
        for (backup_entry_c& entry : index) {
            entry.archive_present = file_exists(join_path(backup_folder, ansi_to_wide(entry.file_name)));
            for (backup_device_c& device : entry.devices) device.device = find_device(store, device.id);
        }
    return load;
}

std::string backup_index_text(const backup_index_c& index) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    auto* root = new TiXmlElement("vantorel");
    root->SetAttribute("texts", "utf-8");
    document.LinkEndChild(root);
    for (const backup_entry_c& entry : index) {
        auto* driver = new TiXmlElement("driver");
        root->LinkEndChild(driver);
        add_cdata(*driver, "file", entry.file_name);
        auto* date = new TiXmlElement("date");
        date->LinkEndChild(new TiXmlText(entry.date));
        driver->LinkEndChild(date);
        if (entry.sha256) {
            auto* digest = new TiXmlElement("sha256");
            digest->LinkEndChild(new TiXmlText(digest_hex(*entry.sha256)));
            driver->LinkEndChild(digest);
        }
        if (!entry.package_inf.empty()) {
            auto* package = new TiXmlElement("package");
            add_cdata(*package, "inf", wide_to_utf8(entry.package_inf));
            add_cdata(*package, "version", wide_to_utf8(entry.package_version));
            driver->LinkEndChild(package);
        }
        if (entry.automatic) {
            auto* taken = new TiXmlElement("taken");
            taken->LinkEndChild(new TiXmlText("automatic"));
            driver->LinkEndChild(taken);
        }
        auto* devices = new TiXmlElement("devices");
        driver->LinkEndChild(devices);
        for (const backup_device_c& device : entry.devices) {
            auto* element = new TiXmlElement("device");
            devices->LinkEndChild(element);
            const device_texts_c& texts = device.current;
            add_cdata(*element, "id", wide_to_utf8(texts.id));
            add_cdata(*element, "desc", wide_to_utf8(texts.desc));
            add_cdata(*element, "manu", wide_to_utf8(texts.manu));
            add_cdata(*element, "name", wide_to_utf8(texts.name));
            add_cdata(*element, "version", wide_to_utf8(texts.version));
            add_cdata(*element, "date", wide_to_utf8(texts.driver_date));
        }
    }
    TiXmlPrinter printer;
    printer.SetIndent("\t");
    printer.SetLineBreak("\r\n");
    document.Accept(&printer);
    return printer.CStr();
}

bool save_backup_index(const backup_index_c& index, const std::wstring& index_path) {
    return write_file_atomically(index_path, backup_index_text(index));
}

bool record_backup(backup_index_c& index, const std::wstring& archive_path, const std::vector<device_texts_c>& devices,
                  const std::wstring& index_path, const std::string& today, const backup_origin_c& origin) {
    const std::size_t slash = archive_path.find_last_of(L"/\\");
    const std::string file_name = wide_to_ansi(slash == std::wstring::npos ? archive_path : archive_path.substr(slash + 1));
    backup_entry_c* entry = nullptr;
    for (backup_entry_c& existing : index)
        if (std::strcmp(existing.file_name, file_name.c_str()) == 0) entry = &existing;
    if (!entry) {
        index.emplace_back();
        entry = &index.back();
        copy_text(entry->file_name, std::string_view(file_name));
    }
    copy_text(entry->date, std::string_view(today));
    entry->archive_present = true;
    entry->sha256 = origin.sha256;
    entry->package_inf = origin.package_inf;
    entry->package_version = origin.package_version;
    entry->automatic = origin.automatic;
    entry->devices.clear();
    for (const device_texts_c& texts : devices) {
        backup_device_c device;
        copy_wide(device.id, texts.id);
        copy_wide(device.desc, texts.desc);
        copy_wide(device.manu, texts.manu);
        copy_wide(device.name, texts.name);
        copy_wide(device.version, texts.version);
        copy_wide(device.driver_date, texts.driver_date);
        copy_wide(device.backup_date, ansi_to_wide(today));
        copy_wide(device.archive_name, ansi_to_wide(entry->file_name));
        device.current = texts;
        entry->devices.push_back(device);
    }
    return save_backup_index(index, index_path);
}

std::optional<sha256_digest_c> recorded_archive_digest(const backup_index_c& index, const std::wstring& archive_name) {
    const std::string name = wide_to_ansi(archive_name);
    for (const backup_entry_c& entry : index)
        if (name == entry.file_name) return entry.sha256;
    return std::nullopt;
}

const backup_entry_c* backup_of_package(const backup_index_c& index, const std::wstring& inf_name,
                                        const std::wstring& version) {
    if (inf_name.empty()) return nullptr;
    for (const backup_entry_c& entry : index)
        if (entry.archive_present && equal_ignoring_case(entry.package_inf.c_str(), inf_name.c_str()) &&
            entry.package_version == version)
            return &entry;
    return nullptr;
}
