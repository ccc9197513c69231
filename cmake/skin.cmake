# The skin: every image of the program is rendered at build time from the SVG sources and the
# manifest in ui/skin (rsvg-convert, then a small packer for 24-bit BMPs and icons), together with
# the dialog templates compiled by windres into the program and the Windows tests. The rendered
# files, skin.rc and one contact sheet per language stay in <build>/skin.
if(NOT WIN32)
  return()
endif()

enable_language(RC)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(skin_source ${CMAKE_CURRENT_SOURCE_DIR}/ui/skin)
set(skin_output ${CMAKE_CURRENT_BINARY_DIR}/skin)
file(GLOB skin_inputs CONFIGURE_DEPENDS
  ${skin_source}/*.svg ${skin_source}/glyphs/*.svg ${skin_source}/manifest.txt
  ${skin_source}/render_skin.py ${skin_source}/dialogs.rc ${skin_source}/*.h)
# The updater shows its progress and boxes only: the program's icon, the dialogs' caption, close
# and message buttons, the boxes' icons and the progress bar (ids of ui/kit/skin_ids.h).
set(updater_skin_ids 128,273,323,324,325,351,352,353,354,356,357,358,474)
add_custom_command(OUTPUT ${skin_output}/skin.rc ${skin_output}/skin_updater.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${skin_output}
  COMMAND ${Python3_EXECUTABLE} ${skin_source}/render_skin.py ${skin_source}
          ${CMAKE_CURRENT_SOURCE_DIR}/i18n/language.ini ${skin_output} ${updater_skin_ids}
  DEPENDS ${skin_inputs} ${CMAKE_CURRENT_SOURCE_DIR}/i18n/language.ini
  COMMENT "Rendering the skin images"
  VERBATIM)

# Resources compile in a target of their own: windres takes none of the C++ warning options.
add_library(vantorel_skin OBJECT ${skin_output}/skin.rc)
target_include_directories(vantorel_skin PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(vantorel_skin PRIVATE --codepage=65001)
set_source_files_properties(${skin_output}/skin.rc PROPERTIES OBJECT_DEPENDS "${skin_inputs}")
add_library(vantorel_updater_skin OBJECT ${skin_output}/skin_updater.rc)
target_include_directories(vantorel_updater_skin PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(vantorel_updater_skin PRIVATE --codepage=65001)
set_source_files_properties(${skin_output}/skin_updater.rc PROPERTIES OBJECT_DEPENDS "${skin_inputs}")
foreach(target Vantorel vantorel_tests)
  if(TARGET ${target})
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:vantorel_skin>)
  endif()
endforeach()

# The kit draws through GDI+ (the pie chart) and msimg32 (images with a transparent colour).
target_link_libraries(vantorel_core PUBLIC gdiplus msimg32)
