// An INF file's bytes as text. Windows reads INF files as UTF-16 (with a byte order mark) or as
// 8-bit text in the system's ANSI code page; the catalog keeps real text, so 8-bit files are
// decoded here rather than kept as bytes of unknown meaning.
#pragma once

#include "server/inf/inf_file.h"

#include <string>
#include <string_view>

// The file's text as UTF-8, without a byte order mark:
// - UTF-16 (little- or big-endian) with its byte order mark;
// - UTF-8 when it starts with the UTF-8 byte order mark, or when every byte belongs to a
//   well-formed UTF-8 sequence (8-bit text beyond ASCII practically never does);
// - otherwise 8-bit text: each [Strings.<language ID>] section in the ANSI code page of its
//   language (only a system of that language reads it), everything else in Windows-1252.
// False with `error` for a UTF-16 file of odd length or with broken surrogates, and for a NUL
// character.
bool decode_inf_bytes(std::string_view bytes, std::string& text, inf_error_c& error);
