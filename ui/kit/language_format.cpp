#include "ui/kit/language_format.h"

#include "common/text_convert.h"
#include "i18n/language_file.h"
#include "i18n/language_table.h"

#include <cwctype>
#include <fstream>
#include <map>

namespace {

struct conversion_c {
    bool valid = false;
    std::size_t end = 0;  // index after the conversion letter
    bool left = false, zero = false, plus = false, space = false;
    int width = 0;
    int precision = -1;
    wchar_t letter = 0;
};

// Reads the conversion that starts at format[at] == '%'.
conversion_c read_conversion(std::wstring_view format, std::size_t at) {
    conversion_c conversion;
    std::size_t i = at + 1;
    for (; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (c == L'-') conversion.left = true;
        else if (c == L'0') conversion.zero = true;
        else if (c == L'+') conversion.plus = true;
        else if (c == L' ') conversion.space = true;
        else if (c == L'#') continue;
        else break;
    }
    for (; i < format.size() && std::iswdigit(format[i]) && conversion.width < 1000; ++i)
        conversion.width = conversion.width * 10 + (format[i] - L'0');
    if (i < format.size() && format[i] == L'.') {
        conversion.precision = 0;
        for (++i; i < format.size() && std::iswdigit(format[i]) && conversion.precision < 1000; ++i)
            conversion.precision = conversion.precision * 10 + (format[i] - L'0');
    }
    if (i < format.size() && (format[i] == L'l' || format[i] == L'h')) ++i;  // sizes are the caller's
    if (i >= format.size()) return conversion;
    conversion.letter = format[i];
    conversion.end = i + 1;
    conversion.valid = conversion.width < 1000 && conversion.precision < 1000;
    return conversion;
}

char kind_of(wchar_t letter) {
    switch (letter) {
        case L'd': case L'i': case L'u': case L'x': case L'X': return 'd';
        case L's': case L'S': return 's';
        default: return 0;
    }
}

std::wstring number_text(const conversion_c& conversion, int value) {
    std::wstring digits;
    bool negative = false;
    if (conversion.letter == L'x' || conversion.letter == L'X' || conversion.letter == L'u') {
        unsigned magnitude = static_cast<unsigned>(value);
        unsigned base = conversion.letter == L'u' ? 10 : 16;
        const wchar_t* set = conversion.letter == L'X' ? L"0123456789ABCDEF" : L"0123456789abcdef";
        do {
            digits.insert(digits.begin(), set[magnitude % base]);
            magnitude /= base;
        } while (magnitude);
    } else {
        long long magnitude = value;
        negative = magnitude < 0;
        if (negative) magnitude = -magnitude;
        do {
            digits.insert(digits.begin(), wchar_t(L'0' + magnitude % 10));
            magnitude /= 10;
        } while (magnitude);
    }
    if (conversion.precision >= 0 && int(digits.size()) < conversion.precision)
        digits.insert(0, std::size_t(conversion.precision) - digits.size(), L'0');
    std::wstring sign = negative ? L"-" : conversion.plus ? L"+" : conversion.space ? L" " : L"";
    int padding = conversion.width - int(sign.size() + digits.size());
    if (padding <= 0) return sign + digits;
    if (conversion.left) return sign + digits + std::wstring(std::size_t(padding), L' ');
    if (conversion.zero && conversion.precision < 0) return sign + std::wstring(std::size_t(padding), L'0') + digits;
    return std::wstring(std::size_t(padding), L' ') + sign + digits;
}

std::wstring text_text(const conversion_c& conversion, const wchar_t* value) {
    std::wstring text(value);
    if (conversion.precision >= 0 && text.size() > std::size_t(conversion.precision)) text.resize(std::size_t(conversion.precision));
    int padding = conversion.width - int(text.size());
    if (padding <= 0) return text;
    return conversion.left ? text + std::wstring(std::size_t(padding), L' ') : std::wstring(std::size_t(padding), L' ') + text;
}

void append_bounded(std::wstring& out, std::wstring_view piece, std::size_t limit) {
    if (out.size() >= limit) return;
    out.append(piece.substr(0, limit - out.size()));
}

std::string signature_of(std::initializer_list<format_argument_c> arguments) {
    std::string signature;
    for (const auto& argument : arguments) signature += argument.is_text() ? 's' : 'd';
    return signature;
}

// The English texts, read once from "language.ini" beside the program (the table itself keeps
// only the first text of each key, which is the chosen language's).
const std::map<std::string, std::wstring>& english_texts() {
    static const std::map<std::string, std::wstring> texts = [] {
        std::map<std::string, std::wstring> result;
        std::ifstream in("language.ini", std::ios::binary);
        std::string line;
        bool inside = false;
        while (std::getline(in, line)) {
            if (auto section = match_section_line(line)) {
                if (inside) break;
                inside = *section == "English";
            } else if (inside) {
                if (auto text = match_text_line(line))
                    result.emplace(text->first, utf8_to_wide(unescape_value(text->second)));
            }
        }
        return result;
    }();
    return texts;
}

}  // namespace

bool format_matches(std::wstring_view format, std::string_view signature) {
    std::size_t argument = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%') continue;
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            ++i;
            continue;
        }
        conversion_c conversion = read_conversion(format, i);
        if (!conversion.valid) return false;
        char kind = kind_of(conversion.letter);
        if (!kind || argument >= signature.size() || signature[argument] != kind) return false;
        ++argument;
        i = conversion.end - 1;
    }
    return argument == signature.size();
}

bool has_right_to_left_letters(std::wstring_view text) {
    for (wchar_t c : text)
        if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFC)) return true;
    return false;
}

namespace {

// A left-to-right value that begins or ends with neither letter nor digit (a bracket, a full
// stop): inside right-to-left text that character would join the text around it and move. (Other
// values need no embedding, and Wine draws the embedding marks as a narrow blank.)
bool needs_embedding(std::wstring_view value) {
    if (value.empty() || has_right_to_left_letters(value)) return false;
    return !std::iswalnum(value.front()) || !std::iswalnum(value.back());
}

std::wstring embedded_left_to_right(std::wstring value) { return L"\u202A" + value + L"\u202C"; }

}  // namespace

std::wstring embedded_value(std::wstring_view value) {
    if (!reads_right_to_left() || !needs_embedding(value)) return std::wstring(value);
    return embedded_left_to_right(std::wstring(value));
}

std::wstring fill_format(std::wstring_view format, std::initializer_list<format_argument_c> arguments,
                         std::size_t capacity, bool embed_left_to_right) {
    std::size_t limit = capacity ? capacity - 1 : 0;
    std::wstring out;
    auto argument = arguments.begin();
    for (std::size_t i = 0; i < format.size() && out.size() < limit; ++i) {
        if (format[i] != L'%') {
            out.push_back(format[i]);
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == L'%') {
            out.push_back(L'%');
            ++i;
            continue;
        }
        conversion_c conversion = read_conversion(format, i);
        if (!conversion.valid || argument == arguments.end()) break;
        if (argument->is_text()) {
            std::wstring value = text_text(conversion, argument->text());
            if (embed_left_to_right && needs_embedding(value)) value = embedded_left_to_right(value);
            append_bounded(out, value, limit);
        }
        else append_bounded(out, number_text(conversion, argument->number()), limit);
        ++argument;
        i = conversion.end - 1;
    }
    return out;
}

std::wstring format_checked(std::wstring_view text, std::wstring_view english,
                            std::initializer_list<format_argument_c> arguments, std::size_t capacity,
                            bool embed_left_to_right) {
    std::string signature = signature_of(arguments);
    if (format_matches(text, signature)) return fill_format(text, arguments, capacity, embed_left_to_right);
    if (format_matches(english, signature)) return fill_format(english, arguments, capacity, embed_left_to_right);
    std::wstring bare;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        bare += i ? L" %" : L"%";
        bare += wchar_t(signature[i]);
    }
    return fill_format(bare, arguments, capacity);
}

std::wstring format_language_text(const std::string& key, std::initializer_list<format_argument_c> arguments,
                                  std::size_t capacity) {
    const auto& english = english_texts();
    auto found = english.find(key);
    return format_checked(language_text(key), found == english.end() ? std::wstring_view() : std::wstring_view(found->second),
                          arguments, capacity, reads_right_to_left());
}
