// Legacy mode (/LM) accepts a package whose INF names a catalog that is not there. Windows and
// Wine refuse to stage such an INF, so the installer stages a copy of the package whose INF no
// longer names a catalog: the same text without its CatalogFile lines.
#pragma once

#include <string>

// The INF's bytes without the lines whose key is CatalogFile or CatalogFile.<platform>, in the
// same encoding: UTF-16 little-endian with its byte order mark, or any 8-bit text.
std::string inf_without_catalog(const std::string& bytes);
