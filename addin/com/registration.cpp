// Registration: the registry entries through which Excel finds the add-in.
//
//   regsvr32 korvane.dll                 per machine (administrator):
//                                        HKLM\Software\Classes
//   regsvr32 /n /i:user korvane.dll      per user, no administrator rights:
//                                        HKCU\Software\Classes
//   regsvr32 /u korvane.dll, regsvr32 /u /n /i:user korvane.dll   remove them
//
// One list of keys describes a registration: the class (its in-process
// server and threading model, its ProgID, its type library, and the
// `Programmable` key without which Excel does not offer it as an automation
// add-in), the ProgID, the interface and the type library. Registering writes
// exactly that list; unregistering removes our values from those keys and
// then each key that is left empty, deepest first, so a key or value that
// someone else put there survives, and nothing of ours is left behind.
#include <olectl.h>
#include <windows.h>

#include <string>
#include <vector>

#include "addin/com/identity.h"

namespace korvane::com {
namespace {

struct Value {
  std::wstring name;  // empty: the key's default value
  std::wstring data;
};

struct Key {
  std::wstring path;  // below Software\Classes
  std::vector<Value> values;
};

std::wstring guid_text(const GUID& g) {
  wchar_t buf[40];
  StringFromGUID2(g, buf, 40);
  return buf;
}

std::wstring module_path() {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&guid_text), &self);
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

// The keys of one registration, parents before children.
std::vector<Key> registration(const std::wstring& dll) {
  const std::wstring clsid = L"CLSID\\" + guid_text(kClsid);
  const std::wstring iface = L"Interface\\" + guid_text(kIid);
  const std::wstring libid = guid_text(kLibId);
  const std::wstring version =
      std::to_wstring(kLibMajor) + L"." + std::to_wstring(kLibMinor);  // as "%x.%x", < 10
  const std::wstring lib = L"TypeLib\\" + libid;
  const std::wstring lib_version = lib + L"\\" + version;
  const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";
  // {00020424-0000-0000-C000-000000000046}: the automation marshaler, which
  // marshals an automation-compatible interface from its type library.
  const std::wstring marshaler = L"{00020424-0000-0000-C000-000000000046}";
  const std::wstring dir = dll.substr(0, dll.find_last_of(L"\\/") + 1);

  // The containers come first: on unregistering they go too if nothing but
  // our keys was in them (a user's Software\Classes may have had none).
  return {
      {L"CLSID", {}},
      {L"Interface", {}},
      {L"TypeLib", {}},
      {clsid, {{L"", kProgId}}},
      {clsid + L"\\InprocServer32", {{L"", dll}, {L"ThreadingModel", L"Apartment"}}},
      {clsid + L"\\ProgID", {{L"", kProgId}}},
      {clsid + L"\\Programmable", {}},
      {clsid + L"\\TypeLib", {{L"", libid}}},
      {clsid + L"\\Version", {{L"", version}}},
      {kProgId, {{L"", kProgId}}},
      {std::wstring(kProgId) + L"\\CLSID", {{L"", guid_text(kClsid)}}},
      {iface, {{L"", kInterfaceName}}},
      {iface + L"\\ProxyStubClsid", {{L"", marshaler}}},
      {iface + L"\\ProxyStubClsid32", {{L"", marshaler}}},
      {iface + L"\\TypeLib", {{L"", libid}, {L"Version", version}}},
      {lib, {}},
      {lib_version, {{L"", kLibName}}},
      {lib_version + L"\\0", {}},
      {lib_version + L"\\0\\" + platform, {{L"", dll}}},
      {lib_version + L"\\FLAGS", {{L"", L"0"}}},
      {lib_version + L"\\HELPDIR", {{L"", dir}}},
  };
}

HKEY classes_root(bool per_user, REGSAM access, LSTATUS& status) {
  HKEY root = nullptr;
  status = RegOpenKeyExW(per_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, L"Software\\Classes", 0,
                         access, &root);
  return root;
}

HRESULT from_status(LSTATUS s) { return s == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(s); }

bool key_is_empty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

HRESULT unregister(bool per_user) {
  LSTATUS status;
  HKEY root = classes_root(per_user, KEY_ALL_ACCESS, status);
  if (!root) return status == ERROR_FILE_NOT_FOUND ? S_OK : from_status(status);
  const std::vector<Key> keys = registration(module_path());
  HRESULT result = S_OK;
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    HKEY key = nullptr;
    status = RegOpenKeyExW(root, k->path.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status == ERROR_FILE_NOT_FOUND) continue;
    if (status != ERROR_SUCCESS) {
      result = from_status(status);
      continue;
    }
    for (const Value& v : k->values) {
      status = RegDeleteValueW(key, v.name.empty() ? nullptr : v.name.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = from_status(status);
    }
    const bool empty = key_is_empty(key);
    RegCloseKey(key);
    if (empty) {
      status = RegDeleteKeyW(root, k->path.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) result = from_status(status);
    }
  }
  RegCloseKey(root);
  return result;
}

HRESULT register_server(bool per_user) {
  const std::wstring dll = module_path();
  if (dll.empty()) return SELFREG_E_CLASS;

  // Register only a DLL whose embedded type library loads.
  ITypeLib* lib = nullptr;
  if (FAILED(LoadTypeLibEx(dll.c_str(), REGKIND_NONE, &lib))) return SELFREG_E_TYPELIB;
  lib->Release();

  LSTATUS status;
  HKEY root = classes_root(per_user, KEY_ALL_ACCESS, status);
  if (!root && per_user && status == ERROR_FILE_NOT_FOUND) {
    status = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &root, nullptr);
  }
  if (!root) return from_status(status);
  HRESULT result = S_OK;
  for (const Key& k : registration(dll)) {
    HKEY key = nullptr;
    status = RegCreateKeyExW(root, k.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr);
    if (status != ERROR_SUCCESS) {
      result = from_status(status);
      break;
    }
    for (const Value& v : k.values) {
      status = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(v.data.c_str()),
                              static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t)));
      if (status != ERROR_SUCCESS) result = from_status(status);
    }
    RegCloseKey(key);
    if (FAILED(result)) break;
  }
  RegCloseKey(root);
  if (FAILED(result)) unregister(per_user);  // leave nothing half written
  return result;
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
