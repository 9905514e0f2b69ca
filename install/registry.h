// What the installer reads and writes in the Windows registry, apart from
// Excel's lists of add-ins (excel_lists.h) and the note (note.h): where each
// bitness's library is registered, which Excel versions this user has, and
// which bitness Office is.
//
// Office may be 32- or 64-bit whatever Windows is, so on 64-bit Windows both
// libraries are registered, each in its own registry view, and whichever
// Excel starts finds its own; the XLL Excel is told to open is the one of
// Office's bitness.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "com/class_keys.h"

namespace korvane::install {

// One registration: a bitness's library in its registry view.
struct Registration {
  const wchar_t* library;  // its path in the release folder
  com::ClassScope scope;
  const wchar_t* platform;
};

// The registrations of a scope: both bitnesses on 64-bit Windows, the 32-bit
// one on 32-bit Windows.
std::vector<Registration> registrations(bool machine);

// Every Excel version of this user: those that ran, and those installed that
// never ran for them.
std::vector<std::wstring> excel_versions();

// The key of an Excel version's options, which holds its list of add-ins.
std::wstring options_key(const std::wstring& version);

// The XLL of the installed Office's bitness, as a path in the release folder.
const wchar_t* office_xll();

// The folder a scope's classes are registered in (the library's folder's
// parent), or "" when none is.
std::filesystem::path registered_folder(bool machine);

// Whether this process may write the machine's classes (an administrator's).
bool may_write_machine();

}  // namespace korvane::install
