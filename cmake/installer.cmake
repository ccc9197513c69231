# The set-up program Vantorel-Setup-<version>.exe (target "installer", Windows builds only), made
# by makensis from this tree's program, its texts, both driver installers and the updater
# (update\update.exe).
# packaging/windows/installer/build_installer.sh does the work, signing too when the environment
# names a certificate; scripts/package_windows.sh builds this target for a given tree. The target
# is part of the build where makensis is installed.
if(NOT WIN32)
  return()
endif()

file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/common/version.h vantorel_version_line
     REGEX "^#define VANTOREL_VERSION \"[0-9.]+\"$")
string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" VANTOREL_VERSION "${vantorel_version_line}")
set(installer_file ${CMAKE_BINARY_DIR}/Vantorel-Setup-${VANTOREL_VERSION}.exe)
set(installer_sources ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/installer)
file(GLOB installer_inputs CONFIGURE_DEPENDS ${installer_sources}/*)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(installer_dpinst DPInst64)
else()
  set(installer_dpinst DPInst32)
endif()

# Both driver installers lie in this folder (dpinst), the updater in its "update" folder.
add_custom_command(OUTPUT ${installer_file}
  COMMAND bash ${installer_sources}/build_installer.sh ${CMAKE_BINARY_DIR}
          --version ${VANTOREL_VERSION} --output ${installer_file}
  DEPENDS Vantorel ${installer_dpinst} ${CMAKE_BINARY_DIR}/DPInst32.exe ${CMAKE_BINARY_DIR}/DPInst64.exe
          ${CMAKE_CURRENT_SOURCE_DIR}/i18n/language.ini ${CMAKE_CURRENT_SOURCE_DIR}/common/version.h
          ${installer_inputs} update ${CMAKE_BINARY_DIR}/update/update.exe
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "makensis: Vantorel-Setup-${VANTOREL_VERSION}.exe"
  COMMAND_EXPAND_LISTS
  VERBATIM)
find_program(MAKENSIS_PROGRAM makensis)
if(MAKENSIS_PROGRAM)
  add_custom_target(installer ALL DEPENDS ${installer_file})
else()
  add_custom_target(installer DEPENDS ${installer_file})
endif()
# The other architecture's driver installer is copied here by the last step of its build.
add_dependencies(installer dpinst_other_architecture)
