// Reads 8-bit text written in a Windows code page into UTF-8, as MultiByteToWideChar does: a
// byte (or byte pair) that the code page does not define gives U+FFFD.
#pragma once

#include "common/iconv_handle.h"

#include <memory>
#include <string>
#include <string_view>

// Decodes texts of one code page: any that iconv knows as "CP<number>" (ANSI ones, and OEM ones
// such as the 437 of zip member names); one it does not know reads as Windows-1252. Holds one
// conversion state (opened at the first text beyond ASCII): one decoder per thread.
class code_page_decoder_c {
public:
    explicit code_page_decoder_c(unsigned code_page);
    std::string to_utf8(std::string_view bytes);

private:
    unsigned code_page_;
    std::unique_ptr<iconv_handle_c> iconv_;
};

std::string code_page_text_to_utf8(std::string_view bytes, unsigned code_page);

// Text whose encoding was never recorded: kept when it is well-formed UTF-8, otherwise read as
// Windows-1252, the code page the catalog assumes for 8-bit files.
std::string utf8_or_windows_1252(std::string_view text);
