// The registry keys through which Windows and Excel find the add-in's class:
// one list, written by the DLL's own registration (regsvr32) and by the
// installer (korvane.exe install), which registers both DLLs of a 64-bit
// Windows, each in its own registry view, without loading either.
#pragma once

#include <windows.h>

#include <string>

namespace korvane::com {

// Where a registration goes: the machine's classes (HKLM\Software\Classes) or
// the user's (HKCU\Software\Classes), in a registry view (KEY_WOW64_64KEY,
// KEY_WOW64_32KEY, or 0 for the calling process's own).
struct ClassScope {
  bool per_user;
  REGSAM view;
};

// Which build of the DLL: its path, and its type library's platform key,
// "win64" or "win32".
struct ClassServer {
  std::wstring dll;
  const wchar_t* platform;
};

// The platform key of this process's own build.
inline const wchar_t* own_platform() { return sizeof(void*) == 8 ? L"win64" : L"win32"; }

// Writes every key and value of the registration. On a failure nothing is
// left half written: what was written is removed again. The status of the
// failure (ERROR_ACCESS_DENIED without administrator rights for the machine).
LSTATUS write_class_keys(ClassScope scope, const ClassServer& server);

// Removes the registration's values, then each of its keys left empty,
// deepest first: a key or value someone else added survives. ERROR_SUCCESS
// when nothing of it was there.
LSTATUS remove_class_keys(ClassScope scope, const wchar_t* platform);

// The DLL the class is registered to in a scope, or "" when it is not.
std::wstring registered_dll(ClassScope scope);

}  // namespace korvane::com
