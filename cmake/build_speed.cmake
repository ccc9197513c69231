# Compile time. windows.h and the standard library headers are most of what each file compiles,
# so every build compiles its sources in batches (unity builds: the demo's Linux programs build in
# less than half the processor time), and the Windows builds parse the common headers once per
# target (a precompiled header). A configure with -DVANTOREL_UNITY_BUILD=OFF compiles one object
# per file, as a check that each file includes what it uses.
option(VANTOREL_UNITY_BUILD "Compile the sources in batches" ON)
if(VANTOREL_UNITY_BUILD)
  set(CMAKE_UNITY_BUILD ON)
  set(CMAKE_UNITY_BUILD_BATCH_SIZE 12)
  # A batch includes its files, so GCC takes a test fixture in a file's anonymous namespace for
  # one declared in a header and warns about every test derived from it.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-subobject-linkage>)
  endif()
endif()

# vantorel_precompile(TARGET [HEADERS...])   the common headers, and the named ones, precompiled
# for TARGET in the Windows builds.
function(vantorel_precompile target)
  if(WIN32 AND VANTOREL_UNITY_BUILD)
    target_precompile_headers(${target} PRIVATE
      <windows.h> <algorithm> <atomic> <cstdint> <cstdio> <cstring> <cwchar> <functional> <map>
      <memory> <mutex> <optional> <string> <string_view> <thread> <vector> ${ARGN})
  endif()
endfunction()
