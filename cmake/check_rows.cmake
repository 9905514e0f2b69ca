# The row check: every member row defined in the sources has its line in the
# member list, and every line its row, before the core is compiled.
#
#   cmake -DSOURCE_DIR=... -DSTAMP=... -P cmake/check_rows.cmake
#
# A worksheet function's row stands beside its code (bets/, zodiac/, wages/),
# the properties' in core/members.cpp; core/member_list.h gives each its line
# in interface order. A row with no line would build and exist nowhere: this
# stops the build naming the row and the line to add. (The compiler refuses a
# row defined as `rows::name` with no line too, in its own words.) STAMP is
# written when all agree, so that the build asks again only when a source
# changes.
cmake_minimum_required(VERSION 3.25)

set(list_file "${SOURCE_DIR}/core/member_list.h")

# A file's lines as a CMake list: the characters CMake's lists treat
# specially (; \ [ ]) are replaced first, which the patterns below ignore.
function(read_lines file out)
  file(READ "${file}" text)
  string(REPLACE "\\" "/" text "${text}")
  string(REPLACE ";" "," text "${text}")
  string(REPLACE "[" "(" text "${text}")
  string(REPLACE "]" ")" text "${text}")
  string(REPLACE "\n" ";" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
set(end_mark "/* a new member's line goes above this one */")

# The lines: function(id, u"NAME", count) and property(id, u"NAME").
read_lines("${list_file}" list_lines)
set(listed_functions "")
set(listed_properties "")
foreach(line IN LISTS list_lines)
  if(line MATCHES "^[ \t]*function\\(([A-Za-z_][A-Za-z_0-9]*), *u\"[^\"]*\", *([0-9]+)\\)")
    list(APPEND listed_functions "${CMAKE_MATCH_1}")
    set(count_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^[ \t]*property\\(([A-Za-z_][A-Za-z_0-9]*), *u\"[^\"]*\"\\)")
    list(APPEND listed_properties "${CMAKE_MATCH_1}")
  endif()
endforeach()

# The rows: `FunctionRow<N> rows::id =` (or `FunctionRow<N> id =` inside
# namespace rows) and `Property rows::id =`, each on one line.
file(GLOB sources "${SOURCE_DIR}/core/*.cpp" "${SOURCE_DIR}/bets/*.cpp"
                  "${SOURCE_DIR}/zodiac/*.cpp" "${SOURCE_DIR}/wages/*.cpp")
set(problems "")
set(defined "")
foreach(source IN LISTS sources)
  file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
  read_lines("${source}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(line MATCHES "FunctionRow<([0-9]+)>[ \t]+(rows::)?([A-Za-z_][A-Za-z_0-9]*)[ \t]*=")
      set(id "${CMAKE_MATCH_3}")
      set(count "${CMAKE_MATCH_1}")
      list(APPEND defined "${id}")
      if(NOT id IN_LIST listed_functions)
        string(APPEND problems
               "${shown}:${number}: the row `${id}` is in no line of core/member_list.h, so the "
               "function would exist nowhere: add the line\n"
               "      function(${id}, u\"<its name in Excel>\", ${count}) \\\n"
               "    above ${end_mark}\n")
      elseif(NOT count STREQUAL count_${id})
        string(APPEND problems
               "${shown}:${number}: the row `${id}` takes ${count} parameters and its line in "
               "core/member_list.h says ${count_${id}}: write the function's count in both\n")
      endif()
    elseif(line MATCHES "Property[ \t]+rows::([A-Za-z_][A-Za-z_0-9]*)[ \t]*=")
      set(id "${CMAKE_MATCH_1}")
      list(APPEND defined "${id}")
      if(NOT id IN_LIST listed_properties)
        string(APPEND problems
               "${shown}:${number}: the property row `${id}` is in no line of core/member_list.h: "
               "add the line\n      property(${id}, u\"${id}\") \\\n    above ${end_mark}\n")
      endif()
    endif()
  endforeach()
endforeach()

foreach(id IN LISTS listed_functions listed_properties)
  if(NOT id IN_LIST defined)
    string(APPEND problems
           "core/member_list.h: the line `${id}` names no row: define `rows::${id}` beside its "
           "code (a function's as `constinit const FunctionRow<N> rows::${id} = "
           "worksheet_function<...>(...)`)\n")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "The member list and the rows disagree:\n${problems}")
endif()
file(WRITE "${STAMP}.tmp" "checked\n")
file(RENAME "${STAMP}.tmp" "${STAMP}")
