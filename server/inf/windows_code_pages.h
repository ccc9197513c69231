// Which ANSI code page a Windows machine or text uses, as Windows pairs them, and the names under
// which text in those code pages is labelled.
#pragma once

// The ANSI code page that goes with an OEM code page, which is what a scan request names as
// "lang": 850 gives 1252, 866 gives 1251 and so on; the code pages of East Asian and Thai
// systems, and 1258, are their own pair. Unknown OEM code pages give 1252.
unsigned ansi_code_page_for_oem(int oem_code_page);

// The ANSI code page of a Windows language ID (the "0419" of an INF's [Strings.0419] section).
// Languages written with Latin letters of Western Europe, and unknown ones, give 1252.
unsigned ansi_code_page_for_language(unsigned language_id);

// Windows' number for UTF-8, which an answer is written in for a client that reads it.
constexpr unsigned utf8_code_page = 65001;

// The charset label for text in one of the ANSI code pages above ("windows-1252", "Shift_JIS"),
// or "utf-8": the labels the WHATWG encoding standard maps to exactly the Windows code page.
const char* charset_of_code_page(unsigned ansi_code_page);
