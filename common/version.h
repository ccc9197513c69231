// The release of the program, its tools and the update server, as --version shows it and as the
// server's Debian package is numbered.
#pragma once

#define VANTOREL_VERSION "1.1.0"
#define VANTOREL_VERSION_WIDE L"1.1.0"
