// Fuzzes the package link and INF paths of a server answer (first line the link, then INF paths): a
// download name stays a plain name in its folder, and no INF path leads outside the unpack folder.
#include "common/path_join.h"
#include "common/text_compare.h"
#include "common/text_convert.h"
#include "download/download_paths.h"
#include "download/install_job.h"
#include "download/installer_choice.h"
#include "download/zip_entry_name.h"
#include "service/http_transfer.h"
#include "service/installed_links.h"
#include "service/mirrors.h"
#include "service/scan_response.h"
#include "service/update_service.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::wstring download_folder = join_path(L"/fuzz", L"downloads");
const std::wstring unpack_folder = join_path(download_folder, L"0123456789abcdef0123456789abcdef");

bool forbidden_in_name(wchar_t c) {
    return c < 0x20 || c == 0x7F || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
}

// ".<characters a Windows file name may hold, no further dot>".
void check_extension(const std::wstring& extension) {
    if (extension.size() < 2 || extension[0] != L'.') __builtin_trap();
    for (std::size_t i = 1; i < extension.size(); ++i)
        if (extension[i] == L'.' || forbidden_in_name(extension[i])) __builtin_trap();
}

void check_download_paths(const std::string& link) {
    const download_paths_c paths = make_download_paths(download_folder, link);
    const std::wstring start = download_folder + path_separator;
    if (paths.final_path.compare(0, start.size(), start) != 0) __builtin_trap();
    const std::wstring name = paths.final_path.substr(start.size());
    if (name.size() < 32 + 2) __builtin_trap();
    for (std::size_t i = 0; i < 32; ++i)
        if (!((name[i] >= L'0' && name[i] <= L'9') || (name[i] >= L'a' && name[i] <= L'f'))) __builtin_trap();
    check_extension(name.substr(32));
    if (paths.temp_path != paths.final_path + L".tmp") __builtin_trap();
}

void check_url_escaping(const std::string& link) {
    const std::string url = escape_url_spaces(link);
    const std::size_t extra = link.find_first_of("?#");
    const std::string_view path = std::string_view(link).substr(0, extra);
    std::size_t spaces = 0;
    for (char c : path) spaces += c == ' ';
    if (url.size() != link.size() + 2 * spaces) __builtin_trap();
    // Spaces go from the path, and the query and fragment stay as they came.
    const std::size_t kept = link.size() - path.size();
    if (url.substr(0, url.size() - kept).find(' ') != std::string::npos) __builtin_trap();
    if (url.compare(url.size() - kept, std::string::npos, link, path.size()) != 0) __builtin_trap();
}

void check_mirror_url(const std::string& text) {
    std::string url = text;
    if (!normalise_mirror_url(url)) return;
    const std::size_t host_start = url.compare(0, 7, "http://") == 0 ? 7 : url.compare(0, 8, "https://") == 0 ? 8 : 0;
    if (host_start == 0 || url.size() > text.size() + 1) __builtin_trap();
    if (url.find_first_of(" \t\r\n") != std::string::npos) __builtin_trap();
    const std::size_t host_end = url.find_first_of("/?#", host_start);
    if (host_end == std::string::npos || url[host_end] != '/') __builtin_trap();
}

bool is_separator(wchar_t c) { return c == L'/' || c == L'\\'; }

// A path below the unpack folder, of ordinary components; a trailing separator allowed.
void check_inside_unpack_folder(const std::wstring& path) {
    if (path == unpack_folder) return;
    const std::wstring start = unpack_folder + path_separator;
    if (path.compare(0, start.size(), start) != 0) __builtin_trap();
    std::wstring rest = path.substr(start.size());
    if (!rest.empty() && is_separator(rest.back())) rest.pop_back();
    for (std::size_t from = 0;;) {
        const std::size_t end = rest.find_first_of(L"/\\", from);
        const std::wstring component = rest.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
        if (component.empty() || component == L"." || component == L".." || component.find(L':') != std::wstring::npos)
            __builtin_trap();
        if (end == std::wstring::npos) return;
        from = end + 1;
    }
}

class fake_files_c : public unpacked_files_c {
public:
    bool files_exist = false;
    bool has_programs = false;
    bool is_directory(const std::wstring& path) const override {
        check_inside_unpack_folder(path);
        return true;
    }
    bool file_exists(const std::wstring& path) const override {
        check_inside_unpack_folder(path);
        return files_exist;
    }
    std::vector<std::wstring> programs_in(const std::wstring& folder) const override {
        check_inside_unpack_folder(folder);
        if (!has_programs) return {};
        return {L"a.exe", L"setup.exe"};
    }
    void remove_pages(const std::wstring&) const override {}
};

class checking_launcher_c : public shell_launcher_c {
public:
    bool open(const std::wstring& target) override {
        check_inside_unpack_folder(target);
        return true;
    }
    // Nothing is started unelevated.
    bool run(const std::wstring&, const std::wstring&) override { __builtin_trap(); }
    // The installer, elevated, on the package's protected copy: a folder or a program inside the
    // package, each one quoted path that no quote inside may end early, then the package.
    launch_result_c run_as_administrator(const std::wstring& program, const std::wstring& parameters,
                                       const std::wstring&) override {
        if (program != join_path(L"program", L"DPInst32.exe")) __builtin_trap();
        const std::wstring tail = L" /STAGE \"package.zip\"";
        if (parameters.size() < tail.size() || parameters.compare(parameters.size() - tail.size(), tail.size(), tail) != 0)
            __builtin_trap();
        const std::wstring what = parameters.substr(0, parameters.size() - tail.size());
        if (what == L"/SH") return launch_result_c::started;
        for (const std::wstring start : {L"/SH /PATH \"", L"/RUN \""}) {
            if (what.compare(0, start.size(), start) != 0) continue;
            if (what.size() < start.size() + 2 || what.back() != L'"') __builtin_trap();
            const std::wstring inside = what.substr(start.size(), what.size() - start.size() - 1);
            if (inside.find(L'"') != std::wstring::npos) __builtin_trap();
            check_inside_unpack_folder(join_relative(unpack_folder, inside));
            return launch_result_c::started;
        }
        __builtin_trap();
    }
};

void check_inf_paths(const std::set<std::wstring>& inf_paths, std::size_t flags) {
    const std::set<std::wstring> usable = usable_inf_paths(inf_paths);
    for (const std::wstring& path : usable) {
        if (inf_paths.count(path) == 0 || !safe_entry_name(path) || is_separator(path.back())) __builtin_trap();
        check_inside_unpack_folder(join_relative(unpack_folder, path));
    }
    if (const auto common = common_inf_folder(usable)) {
        if (common->empty() || common->back() != L'\\') __builtin_trap();
        for (const std::wstring& path : usable)
            if (path.compare(0, common->size(), *common) != 0) __builtin_trap();
        check_inside_unpack_folder(join_relative(unpack_folder, *common));
    }
    fake_files_c files;
    files.files_exist = (flags & 1) != 0;
    files.has_programs = (flags & 2) != 0;
    checking_launcher_c launcher;
    installer_context_c context;
    context.program_folder = L"program";
    context.download_folder = download_folder;
    context.launcher = &launcher;
    context.files = &files;
    context.package_path = L"package.zip";
    context.unpacked_folder = unpack_folder;
    choose_installer(unpack_folder, inf_paths, context);
}

std::string xml_answer(std::string_view link, std::string_view inf_path) {
    return "<?xml version=\"1.0\"?><kelvdoc><hardwares><hardware><id>A</id><item><link>" + std::string(link) +
           "</link><infpath>" + std::string(inf_path) + "</infpath><size>10</size></item>" +
           "</hardware></hardwares></kelvdoc>";
}

// A link whose set-up program was started is not offered again: "setup.dat" gives it back.
void check_setup_link(const std::string& link) {
    static const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    static const fs::path work = base / ("vantorel-links-fuzz-" + std::to_string(::getpid()));
    std::error_code ignored;
    fs::create_directories(work, ignored);
    const bool written = append_installed_link(installed_links_path(utf8_to_wide(work.string())), link);
    update_service_c service;
    service.installed_links_file = utf8_to_wide((work / "setup.dat").string());
    load_installed_links(service);
    fs::remove_all(work, ignored);
    if (written && (link.empty() || link.find_first_of("\r\n") != std::string::npos)) __builtin_trap();
    if (written && service.installed_links.count(link) == 0) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= input.size();) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    // The link as the answer's text gives it: a C string.
    const std::string link(lines[0].substr(0, lines[0].find('\0')));
    check_download_paths(link);
    check_extension(download_extension(utf8_to_wide(link.substr(link.rfind('/') + 1))));
    check_url_escaping(link);
    check_mirror_url(link);

    std::set<std::wstring> inf_paths;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        inf_paths.insert(utf8_to_wide(lines[i]));
        inf_paths.insert(ansi_to_wide(lines[i]));
    }
    check_inf_paths(inf_paths, size);

    // The same texts the way they arrive: inside the answer, read into a device's item.
    device_store_c store;
    device_c device;
    std::wcscpy(device.instance_path, L"A");
    store.devices.push_back(device);
    static const package_trust_c allow_unsigned{{}, true};
    answer_trust_c trust(allow_unsigned);
    if (parse_scan_response(xml_answer(lines[0], lines.size() > 1 ? lines[1] : std::string_view()), store, trust) &&
        store.devices[0].item_count == 1) {
        const driver_item_c& item = store.devices[0].items[0];
        check_download_paths(item.link);
        check_url_escaping(item.link);
        check_inf_paths({item.inf_name}, size >> 2);
        // Only a link of a scheme the program downloads comes to be installed.
        const std::string_view scheme = std::string_view(item.link).substr(0, 7);
        if (equal_ignoring_ascii_case(scheme, "http://") || equal_ignoring_ascii_case(scheme.substr(0, 6), "ftp://"))
            check_setup_link(item.link);
    }
    return 0;
}
