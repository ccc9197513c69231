// Fuzzes DPInst's INF rewrites and its command line: an INF must split and join back byte for byte,
// a rewrite must keep the encoding and the lines it leaves alone, and the switches must not fault.
#include "common/text_convert.h"
#include "dpinst/inf_text.h"
#include "dpinst/installer_options.h"
#include "dpinst/legacy_inf.h"
#include "dpinst/wine_models_inf.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The lines of rewritten bytes read in the encoding the original had (the rewrites never change
// it); false when the bytes do not start with the original's byte order mark or lose a UTF-16 byte.
bool lines_in_encoding(const std::string& bytes, const inf_text_c& original, std::vector<std::u16string>& lines) {
    const std::string& mark = original.byte_order_mark;
    if (bytes.compare(0, mark.size(), mark) != 0) return false;
    std::u16string units;
    if (original.utf16) {
        if ((bytes.size() - mark.size()) % 2 != 0) return false;
        for (std::size_t i = mark.size(); i < bytes.size(); i += 2)
            units += char16_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8);
    } else {
        for (std::size_t i = mark.size(); i < bytes.size(); ++i) units += char16_t(std::uint8_t(bytes[i]));
    }
    lines.clear();
    for (std::size_t start = 0; start < units.size();) {
        const std::size_t end = units.find(u'\n', start);
        const std::size_t next = end == std::u16string::npos ? units.size() : end + 1;
        lines.push_back(units.substr(start, next - start));
        start = next;
    }
    return true;
}

bool mentions_catalog_file(const std::u16string& line) {
    const std::u16string word = u"catalogfile";
    for (std::size_t at = 0; at + word.size() <= line.size(); ++at) {
        std::size_t i = 0;
        while (i < word.size() && (line[at + i] | 0x20) == word[i]) ++i;
        if (i == word.size()) return true;
    }
    return false;
}

bool ends_line(const std::u16string& line) { return !line.empty() && line.back() == u'\n'; }

void check_split_and_join(const std::string& bytes) {
    const inf_text_c text = split_inf_text(bytes);
    if (join_inf_text(text) != bytes) __builtin_trap();
    // Each line keeps its line end; only the last may lack one, and none is empty.
    for (std::size_t i = 0; i < text.lines.size(); ++i)
        if (text.lines[i].empty() || (i + 1 < text.lines.size() && !ends_line(text.lines[i]))) __builtin_trap();
}

void check_without_catalog(const std::string& bytes) {
    const inf_text_c original = split_inf_text(bytes);
    const std::string rewritten = inf_without_catalog(bytes);
    std::vector<std::u16string> kept;
    if (!lines_in_encoding(rewritten, original, kept)) __builtin_trap();
    // The kept lines are the original lines in order; every line that went names a catalog file.
    std::size_t next = 0;
    for (const std::u16string& line : original.lines) {
        if (next < kept.size() && kept[next] == line) {
            ++next;
        } else if (!mentions_catalog_file(line)) {
            __builtin_trap();
        }
    }
    if (next != kept.size()) __builtin_trap();
}

void check_models_decoration(const std::string& bytes, const inf_platform_c& platform) {
    const auto rewritten = inf_with_plain_models_decoration(bytes, platform);
    if (!rewritten) return;
    const inf_text_c original = split_inf_text(bytes);
    std::vector<std::u16string> lines;
    if (!lines_in_encoding(*rewritten, original, lines)) __builtin_trap();
    // Line by line: only section headers and key lines change, each keeping its line end.
    if (lines.size() != original.lines.size()) __builtin_trap();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == original.lines[i]) continue;
        if (ends_line(lines[i]) != ends_line(original.lines[i])) __builtin_trap();
        if (lines[i].front() != u'[' && lines[i].find(u'=') == std::u16string::npos) __builtin_trap();
    }
}

void check_switches(std::string_view bytes) {
    std::vector<std::wstring> arguments;
    for (std::size_t start = 0; start <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
        arguments.push_back(utf8_to_wide(bytes.substr(start, end - start)));
        start = end + 1;
    }
    installer_options_c options;
    options.silent = options.force = true;
    options.search_path = L"left over";
    std::wstring error;
    if (!parse_installer_switches(arguments, options, error)) {
        if (error.empty()) __builtin_trap();
        return;
    }
    if (!error.empty()) __builtin_trap();
    if (!options.search_path.empty() && !options.uninstall_inf.empty()) __builtin_trap();
    // Every value came from the command line.
    for (const std::wstring* value :
         {&options.search_path, &options.uninstall_inf, &options.log_title, &options.language}) {
        if (value->empty()) continue;
        bool given = false;
        for (const std::wstring& argument : arguments) given = given || argument == *value;
        if (!given) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    check_split_and_join(bytes);
    check_without_catalog(bytes);
    static const inf_platform_c platforms[] = {
        {L"amd64", 6, 1, 7601, 1}, {L"x86", 10, 0, 19041, 1}, {L"arm64", 10, 0, 22000, 3}};
    for (const inf_platform_c& platform : platforms) check_models_decoration(bytes, platform);
    check_switches(bytes);
    return 0;
}
