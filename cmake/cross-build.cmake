# Settings of the Windows cross builds that need the build tree.

# ---- Wine ---------------------------------------------------------------------
# Windows programs of this build (the type library generator, the tests) run
# under Wine in the build's own prefix: a small shim pins the prefix and the
# bitness and hands over to scripts/wine, which holds every other Wine setting.
set(KORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix of this build")
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KORVANE_WINE_ARCH x64)
else()
  set(KORVANE_WINE_ARCH x86)
endif()
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine
     CONTENT "#!/bin/sh\nKORVANE_WINEPREFIX='@KORVANE_WINEPREFIX@' KORVANE_WINE_ARCH=@KORVANE_WINE_ARCH@ exec '@PROJECT_SOURCE_DIR@/scripts/wine' \"$@\"\n"
     @ONLY)
file(CHMOD ${CMAKE_BINARY_DIR}/wine PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine)

# ---- header-only libraries --------------------------------------------------------
# In a cross build, the header-only libraries the command-line tool uses
# (nlohmann-json, CLI11) come from the Debian packages of the build
# machine. Their CMake packages cannot be found inside the cross sysroot, and
# pointing the cross compiler at all of /usr/include would mix Linux headers
# into a Windows build: give it each library's own header folder instead, and
# answer find_package() for them with a small package file of our own.
set(_host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_host_headers})

function(_korvane_header_package package target dir)
  if(NOT EXISTS ${dir}/)
    message(FATAL_ERROR "${dir} is missing: install the Debian package that provides ${package}")
  endif()
  string(TOLOWER ${package} lower)
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config.cmake
       "if(NOT TARGET ${target})\n"
       "  add_library(${target} INTERFACE IMPORTED)\n"
       "  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES \"${dir}\")\n"
       "endif()\n")
endfunction()

# Headers that are included as <folder/header>: expose just that folder.
foreach(folder nlohmann CLI)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install nlohmann-json3-dev and libcli11-dev")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${_host_headers}/${folder} SYMBOLIC)
endforeach()

_korvane_header_package(nlohmann_json nlohmann_json::nlohmann_json ${_host_headers})
_korvane_header_package(CLI11 CLI11::CLI11 ${_host_headers})
