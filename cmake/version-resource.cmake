# Windows version information for every program and library the release ships
# (korvane.dll, korvane.exe, korvane.xll): one template, cmake/version.rc.in,
# filled from the project's VERSION, so the number shown in Explorer is the one
# `korvane --version` prints and the packages carry.
#
#   korvane_version_resource(TARGET FILENAME DESCRIPTION_EN DESCRIPTION_ZH)
#
# FILENAME is the file's name as shipped (OriginalFilename); the descriptions
# are FileDescription in the English and the Chinese block (no double quotes).
enable_language(RC)

function(korvane_version_resource target filename description_en description_zh)
  foreach(text IN ITEMS "${description_en}" "${description_zh}")
    if(text MATCHES "\"")
      message(FATAL_ERROR "korvane_version_resource(${target}): no double quotes in '${text}'")
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(KORVANE_RC_FILETYPE VFT_APP)
  else()
    set(KORVANE_RC_FILETYPE VFT_DLL)
  endif()
  set(KORVANE_RC_FILENAME ${filename})
  get_filename_component(KORVANE_RC_INTERNAL ${filename} NAME_WE)
  set(KORVANE_RC_DESCRIPTION_EN "${description_en}")
  set(KORVANE_RC_DESCRIPTION_ZH "${description_zh}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The program's icon (its first icon resource, which Explorer, the Start menu
# and Apps & Features show for korvane.exe), from an .ico file.
#
#   korvane_icon_resource(TARGET ICO)
function(korvane_icon_resource target ico)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_icon.rc)
  file(TO_CMAKE_PATH "${ico}" ico)
  file(CONFIGURE OUTPUT ${rc} CONTENT "// The icon of ${target}, written by CMake (cmake/version-resource.cmake).\n1 ICON \"${ico}\"\n")
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${ico})
endfunction()
