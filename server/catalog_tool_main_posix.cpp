// vantorel-catalog: keeps the update server's driver catalog.
//   import --catalog FILE --packages DIR [--title T] [--official-link URL] [--sign 0|1|3] [--signing-key FILE] ARCHIVE...
//   remove --catalog FILE --packages DIR NAME...
//   list --catalog FILE
//   sign --catalog FILE --packages DIR --signing-key FILE
//   release --catalog FILE --packages DIR --installer FILE --version V --signing-key FILE
//   keygen --secret FILE --public FILE
//   demo --catalog FILE --packages DIR [--signing-key FILE]
//   synthetic --catalog FILE --count N [--seed S]
// Every change writes a new catalog file and renames it into place.
#include "server/catalog/catalog_commands.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        return run_catalog_tool(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vantorel-catalog: %s\n", failure.what());
        return 1;
    }
}
