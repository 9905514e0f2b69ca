// Excel's lists of the add-ins it opens at start (the OPEN values of each
// Excel version's options key), as the registry holds them.
//
// The rules of the list (which entry is ours, where ours goes, what moves
// down) are open_list.h's and portable; this room reads and writes the values
// themselves, each with its own type (a REG_EXPAND_SZ entry stays one), and
// knows our XLL by its version resource, so that a copy the user moved is
// still recognised and a stranger's file that happens to share the folder is
// not.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "install/open_list.h"

namespace korvane::install {

// Whether an XLL entry's path is ours: by the file's version resource, or,
// for a file no longer there, by the folder it was installed in.
bool our_xll_file(std::u16string_view written);

// The list of an Excel version of this user.
OpenValues open_values(const std::wstring& version);

// Applies change to the list of every Excel version (creating the key of
// one that never ran); the status of the first write that failed.
LSTATUS change_open_lists(const std::vector<std::wstring>& versions,
                          const std::function<OpenValues(const OpenValues&)>& change);

// Whether any Excel version of this user lists an add-in of ours.
bool anything_listed();

}  // namespace korvane::install
