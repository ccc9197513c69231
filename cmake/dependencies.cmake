# libcurl, zlib, minizip, TinyXML and libsodium: Debian's -dev packages on Linux; for MinGW the static
# builds the setup script made in .cache/deps/<target> (found through the toolchain's root path).
# MinGW's libcurl speaks TLS through Schannel (secur32, crypt32; bcrypt for its hashes), and
# libsodium draws its random bytes through RtlGenRandom (advapi32).
add_library(vantorel_dependencies INTERFACE)

if(WIN32)
  find_path(CURL_INCLUDE_DIR curl/curl.h REQUIRED)
  find_library(CURL_LIBRARY NAMES curl libcurl REQUIRED)
  find_library(MINIZIP_LIBRARY minizip REQUIRED)
  find_library(TINYXML_LIBRARY tinyxml REQUIRED)
  # The static archive by its file name first: Debian's libz-mingw-w64-dev also has the import
  # library libz.dll.a, which would make every program need a zlib1.dll that Windows does not have.
  find_library(ZLIB_LIBRARY NAMES libz.a z REQUIRED)
  find_library(SODIUM_LIBRARY sodium REQUIRED)
  find_path(DEPS_INCLUDE_DIR tinyxml.h REQUIRED)
  target_include_directories(vantorel_dependencies SYSTEM INTERFACE ${CURL_INCLUDE_DIR} ${DEPS_INCLUDE_DIR})
  target_compile_definitions(vantorel_dependencies INTERFACE
    CURL_STATICLIB SODIUM_STATIC TIXML_USE_STL UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_link_libraries(vantorel_dependencies INTERFACE
    ${CURL_LIBRARY} ${MINIZIP_LIBRARY} ${TINYXML_LIBRARY} ${ZLIB_LIBRARY} ${SODIUM_LIBRARY}
    wbemuuid ole32 oleaut32 uuid setupapi cfgmgr32 advapi32 shell32 shlwapi user32 gdi32 comctl32 oleacc ws2_32
    secur32 crypt32 bcrypt version winhttp)
  target_link_options(vantorel_dependencies INTERFACE -static -static-libgcc -static-libstdc++)
else()
  find_package(CURL REQUIRED)
  find_package(ZLIB REQUIRED)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
  find_path(TINYXML_INCLUDE_DIR tinyxml.h REQUIRED)
  find_library(TINYXML_LIBRARY tinyxml REQUIRED)
  find_package(Threads REQUIRED)
  target_include_directories(vantorel_dependencies SYSTEM INTERFACE ${TINYXML_INCLUDE_DIR})
  target_compile_definitions(vantorel_dependencies INTERFACE TIXML_USE_STL)
  target_link_libraries(vantorel_dependencies INTERFACE
    CURL::libcurl ZLIB::ZLIB PkgConfig::MINIZIP PkgConfig::SODIUM ${TINYXML_LIBRARY} Threads::Threads)
endif()

find_package(nlohmann_json 3 QUIET)
if(NOT nlohmann_json_FOUND)
  find_path(NLOHMANN_INCLUDE_DIR nlohmann/json.hpp REQUIRED)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${NLOHMANN_INCLUDE_DIR})
endif()
target_link_libraries(vantorel_dependencies INTERFACE nlohmann_json::nlohmann_json)

if(VANTOREL_TESTS)
  find_package(GTest REQUIRED)
  add_library(vantorel_test_framework INTERFACE)
  target_link_libraries(vantorel_test_framework INTERFACE GTest::gtest GTest::gtest_main GTest::gmock)
endif()
