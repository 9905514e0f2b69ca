// Registration: the registry entries through which Excel finds the add-in.
//
//   regsvr32 korvane.dll                 per machine (administrator):
//                                        HKLM\Software\Classes
//   regsvr32 /n /i:user korvane.dll      per user, no administrator rights:
//                                        HKCU\Software\Classes
//   regsvr32 /u korvane.dll, regsvr32 /u /n /i:user korvane.dll   remove them
//
// The keys themselves are listed once, in class_keys.h, which the installer
// (korvane.exe install) writes too.
#include <olectl.h>
#include <windows.h>

#include <string>

#include "com/class_keys.h"

namespace korvane::com {
namespace {

std::wstring module_path() {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&module_path), &self);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT from_status(LSTATUS s) { return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s); }

HRESULT unregister(bool per_user) {
  return from_status(remove_class_keys({per_user, 0}, own_platform()));
}

HRESULT register_server(bool per_user) {
  const std::wstring dll = module_path();
  if (dll.empty()) return SELFREG_E_CLASS;

  // Register only a DLL whose embedded type library loads.
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, &lib))) return SELFREG_E_TYPELIB;
  lib->Release();
  return from_status(write_class_keys({per_user, 0}, {dll, own_platform()}));
}

bool equals_ignoring_case(const wchar_t* a, const wchar_t* b) {
  return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace
}  // namespace korvane::com

using namespace korvane::com;

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return register_server(false); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return unregister(false); }

// regsvr32 /n /i:user registers for the current user only; /i:machine (or no
// /i text) for the machine, as DllRegisterServer does.
extern "C" HRESULT STDAPICALLTYPE DllInstall(BOOL install, LPCWSTR command_line) {
  std::wstring scope = command_line ? command_line : L"";
  const auto first = scope.find_first_not_of(L" \t");
  const auto last = scope.find_last_not_of(L" \t");
  scope = first == std::wstring::npos ? L"" : scope.substr(first, last - first + 1);
  bool per_user = false;
  if (equals_ignoring_case(scope.c_str(), L"user")) {
    per_user = true;
  } else if (!scope.empty() && !equals_ignoring_case(scope.c_str(), L"machine")) {
    return E_INVALIDARG;
  }
  return install ? register_server(per_user) : unregister(per_user);
}
