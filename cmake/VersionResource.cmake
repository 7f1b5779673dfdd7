# The version record of the Windows executables and libraries: product and
# company name, the file's own description and name, and the file and
# product version from the project's version (the top-level project()
# line; the launcher's stand-alone build reads the same line).
#
#   gear_version_resource(<target> DESCRIPTION <text>)
#
# Does nothing outside Windows. The record is a resource file of its own,
# generated into the build folder, so a target's other resources (icon,
# manifest) stay in their own files.
include_guard(GLOBAL)

set(GEAR_COMPANY_NAME "ZKD-KESTAL")
# "ZKD-KESTAL 齿轮参数计算", the window's title, as UTF-16 escapes so the
# resource file stays ASCII for every resource compiler.
set(GEAR_PRODUCT_NAME_RC "ZKD-KESTAL \\x9f7f\\x8f6e\\x53c2\\x6570\\x8ba1\\x7b97")

if(NOT GEAR_PRODUCT_VERSION)
  file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt" _gear_project_line
       REGEX "^project\\(gearcalc VERSION [0-9]+\\.[0-9]+\\.[0-9]+")
  string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" GEAR_PRODUCT_VERSION "${_gear_project_line}")
  if(NOT GEAR_PRODUCT_VERSION)
    message(FATAL_ERROR "cannot read the project's version from ${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt")
  endif()
endif()
set(_gear_version_template "${CMAKE_CURRENT_LIST_DIR}/windows/version.rc.in")

function(gear_version_resource target)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(V "" "DESCRIPTION" "" ${ARGN})
  string(REPLACE "." ";" parts "${GEAR_PRODUCT_VERSION}")
  list(GET parts 0 GEAR_VERSION_MAJOR)
  list(GET parts 1 GEAR_VERSION_MINOR)
  list(GET parts 2 GEAR_VERSION_PATCH)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(GEAR_FILE_TYPE VFT_APP)
  else()
    set(GEAR_FILE_TYPE VFT_DLL)
  endif()
  set(GEAR_FILE_DESCRIPTION "${V_DESCRIPTION}")
  file(READ "${_gear_version_template}" template)
  string(CONFIGURE "${template}" content @ONLY)
  # The file's own name is known only when the build is generated.
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  file(GENERATE OUTPUT "${rc}" CONTENT "${content}")
  target_sources(${target} PRIVATE "${rc}")
endfunction()
