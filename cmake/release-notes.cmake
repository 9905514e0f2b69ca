# The release notes agree with the project's version: the newest entry of the
# Debian changelog (debian/changelog, "korvane (1.0.0-1) ...") is of this
# version, and so is the newest section of the upstream changelog
# (CHANGELOG.md, "## 1.0.0 (date)"), so that a release never goes out with
# notes of another one. Included by the top CMakeLists.txt (with
# KORVANE_RELEASE_VERSION set to PROJECT_VERSION), or run on its own:
#
#   cmake -DKORVANE_RELEASE_VERSION=1.0.0 -DKORVANE_SOURCE=DIR -P cmake/release-notes.cmake
#
# Sets KORVANE_DEBIAN_VERSION (the full Debian version, "1.0.0-1") when
# included.

# The version of the first line of FILE matching REGEX (its first group), or
# a fatal error naming the file.
function(korvane_newest_version file regex out)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file} is missing: a release needs its notes")
  endif()
  file(STRINGS "${file}" lines REGEX "${regex}" LIMIT_COUNT 1 ENCODING UTF-8)
  if(NOT lines MATCHES "${regex}")
    message(FATAL_ERROR "${file}: no version entry found (a line like ${ARGN})")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

if(NOT KORVANE_SOURCE)
  get_filename_component(KORVANE_SOURCE "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()
set(debian_changelog "${KORVANE_SOURCE}/debian/changelog")
set(upstream_changelog "${KORVANE_SOURCE}/CHANGELOG.md")

# 1. The newest Debian entry: upstream version, then a Debian revision.
korvane_newest_version("${debian_changelog}" "^korvane \\(([^ ()]+)\\) " debian_version
                       "korvane (${KORVANE_RELEASE_VERSION}-1) unstable\; urgency=medium")
if(NOT debian_version MATCHES "^(.+)-([0-9A-Za-z.+~]+)$")
  message(FATAL_ERROR "${debian_changelog}: version ${debian_version} has no Debian revision "
                      "(wanted ${KORVANE_RELEASE_VERSION}-1 or later)")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL KORVANE_RELEASE_VERSION)
  message(FATAL_ERROR "${debian_changelog}: the newest entry is ${debian_version}, but the "
                      "project is version ${KORVANE_RELEASE_VERSION}: add an entry for it")
endif()

# 2. The newest section of the upstream changelog.
korvane_newest_version("${upstream_changelog}" "^## ([0-9][^ ]*)" upstream_version
                       "## ${KORVANE_RELEASE_VERSION} (date)")
if(NOT upstream_version STREQUAL KORVANE_RELEASE_VERSION)
  message(FATAL_ERROR "${upstream_changelog}: the newest section is ${upstream_version}, but the "
                      "project is version ${KORVANE_RELEASE_VERSION}: add a section for it")
endif()

set(KORVANE_DEBIAN_VERSION "${debian_version}")
if(NOT CMAKE_SCRIPT_MODE_FILE)  # edited notes are checked again at the next build
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${debian_changelog}"
                                                                  "${upstream_changelog}")
endif()
