// The version of the update server and its catalog tool, as --version prints it and as the
// Debian package is numbered.
#pragma once

#define VANTOREL_SERVER_VERSION "1.1.0"
