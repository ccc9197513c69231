// Conversions between UTF-8, the thread's ANSI code page and UTF-16 (wchar_t). The program keeps
// its texts as UTF-16; the update server, "backup.xml" and minizip paths use the ANSI code page;
// "language.ini" and JSON output use UTF-8. Invalid input never fails a conversion: a byte that
// is not valid UTF-8 becomes U+FFFD, and a character the ANSI code page lacks becomes '?'.
#pragma once

#include <string>
#include <string_view>

std::wstring utf8_to_wide(std::string_view text);
std::string wide_to_utf8(std::wstring_view text);
std::wstring ansi_to_wide(std::string_view text);
std::string wide_to_ansi(std::wstring_view text);
// The OEM code page (the console's, and that of zip entry names without the UTF-8 flag): on
// Windows the system's, on Linux code page 437.
std::wstring oem_to_wide(std::string_view text);

// The code page used as "ANSI": on Windows the calling thread's, on Linux an emulated one.
unsigned ansi_code_page();

#ifndef _WIN32
// Linux only: chooses the emulated ANSI code page for the calling process (default 1252).
// Returns false, keeping the previous one, when iconv does not know the code page.
bool set_ansi_code_page(unsigned code_page);
#endif
