# The pool of worksheet-function entries of korvane.xll, written from two
# numbers: Excel calls each function through an export that takes exactly
# its parameters, so the XLL exports, for every parameter count from 0 to
# KORVANE_XLL_MAX_PARAMS, KORVANE_XLL_ENTRIES_PER_COUNT entries kv_<count>_<k>
# (xll/entries.h says which function each carries). From these numbers come
# the .def file, the entries' code and the header that tells the C++ side
# (and, through the test's arguments, the static check of the file) how big
# the pool is; the C++ side refuses to build when a parameter count has more
# functions than entries.
#
# korvane_xll_pool(<def> <source> <header>) writes the three files, each only
# when its text changes, so that a build after the first compiles nothing.
set(KORVANE_XLL_MAX_PARAMS 9)          # kMaxParams, checked in xll/entries.cpp
set(KORVANE_XLL_ENTRIES_PER_COUNT 16)  # raise when a parameter count runs out

function(korvane_write_if_changed path text)
  if(EXISTS ${path})
    file(READ ${path} old)
    if(old STREQUAL text)
      return()
    endif()
  endif()
  file(WRITE ${path} "${text}")
endfunction()

function(korvane_xll_pool def_file source_file header_file)
  math(EXPR last_count "${KORVANE_XLL_MAX_PARAMS}")
  math(EXPR last_k "${KORVANE_XLL_ENTRIES_PER_COUNT} - 1")
  set(exports "")
  set(entries "")
  foreach(count RANGE 0 ${last_count})
    set(params "")
    set(args "")
    if(count GREATER 0)
      math(EXPR last_arg "${count} - 1")
      foreach(i RANGE 0 ${last_arg})
        if(i GREATER 0)
          string(APPEND params ", ")
          string(APPEND args ", ")
        endif()
        string(APPEND params "XLOPER12* a${i}")
        string(APPEND args "a${i}")
      endforeach()
    endif()
    foreach(k RANGE 0 ${last_k})
      string(APPEND exports "  kv_${count}_${k}\n")
      string(APPEND entries "extern \"C\" XLOPER12* __stdcall kv_${count}_${k}(${params}) {\n"
                            "  return call_entry(${count}, ${k}, {${args}});\n}\n")
    endforeach()
  endforeach()

  string(CONCAT def_text
    "; The exports of korvane.xll, written by xll/pool.cmake: the add-in manager\n"
    "; entry points, the draw access of the test host, and the pool of\n"
    "; worksheet-function entries, kv_<count>_<k> for 0 to ${KORVANE_XLL_MAX_PARAMS} "
    "parameters and k from\n; 0 to ${last_k}. Undecorated on 32-bit Windows too.\n"
    "LIBRARY korvane.xll\nEXPORTS\n  xlAutoOpen\n  xlAutoClose\n  xlAutoAdd\n  xlAutoRemove\n"
    "  xlAddInManagerInfo12\n  xlAutoFree12\n  korvane_edit_draw\n" "${exports}")
  string(CONCAT source_text
    "// The pool of worksheet-function entries, written by xll/pool.cmake: each\n"
    "// hands Excel's arguments to the function registered on it.\n"
    "#include \"xll/registration.h\"\n\nusing korvane::xll::call_entry;\n"
    "using korvane::xll::XLOPER12;\n\n" "${entries}")
  string(CONCAT header_text
    "// The size of korvane.xll's pool of entries, written by xll/pool.cmake.\n"
    "#pragma once\n\n#include <cstddef>\n\nnamespace korvane::xll {\n"
    "inline constexpr std::size_t kPoolMaxParams = ${KORVANE_XLL_MAX_PARAMS};\n"
    "inline constexpr std::size_t kEntriesPerCount = ${KORVANE_XLL_ENTRIES_PER_COUNT};\n"
    "}  // namespace korvane::xll\n")
  korvane_write_if_changed(${def_file} "${def_text}")
  korvane_write_if_changed(${source_file} "${source_text}")
  korvane_write_if_changed(${header_file} "${header_text}")
endfunction()
