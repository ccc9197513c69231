// The release of the program and its tools, as --version shows it.
#pragma once

#define VANTOREL_VERSION "1.1.0"
#define VANTOREL_VERSION_WIDE L"1.1.0"
