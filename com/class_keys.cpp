// The class's registry keys: one list for regsvr32 and for the installer.
//
// One list of keys describes a registration: the class (its in-process
// server and threading model, its ProgID, its type library, and the
// `Programmable` key without which Excel does not offer it as an automation
// add-in), the ProgID, the interface and the type library. Registering writes
// exactly that list; unregistering removes our values from those keys and
// then each key that is left empty, deepest first, so a key or value that
// someone else put there survives, and nothing of ours is left behind.
#include "com/class_keys.h"

#include <vector>

#include "com/identity.h"

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

// The keys of one registration, parents before children.
std::vector<Key> registration(const ClassServer& server) {
  const std::wstring& dll = server.dll;
  const std::wstring clsid = L"CLSID\\" + guid_text(kClsid);
  const std::wstring iface = L"Interface\\" + guid_text(kIid);
  const std::wstring libid = guid_text(kLibId);
  const std::wstring version =
      std::to_wstring(kLibMajor) + L"." + std::to_wstring(kLibMinor);  // as "%x.%x", < 10
  const std::wstring lib = L"TypeLib\\" + libid;
  const std::wstring lib_version = lib + L"\\" + version;
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
      {lib_version + L"\\0\\" + server.platform, {{L"", dll}}},
      {lib_version + L"\\FLAGS", {{L"", L"0"}}},
      {lib_version + L"\\HELPDIR", {{L"", dir}}},
  };
}

HKEY root_of(ClassScope scope) { return scope.per_user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

HKEY open_classes(ClassScope scope, bool create, LSTATUS& status) {
  HKEY root = nullptr;
  const REGSAM access = KEY_ALL_ACCESS | scope.view;
  status = create ? RegCreateKeyExW(root_of(scope), L"Software\\Classes", 0, nullptr, 0, access,
                                    nullptr, &root, nullptr)
                  : RegOpenKeyExW(root_of(scope), L"Software\\Classes", 0, access, &root);
  return status == ERROR_SUCCESS ? root : nullptr;
}

bool key_is_empty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                       nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  return subkeys == 0 && values == 0;
}

bool failed(LSTATUS s) { return s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND; }

}  // namespace

LSTATUS remove_class_keys(ClassScope scope, const wchar_t* platform) {
  LSTATUS status;
  HKEY root = open_classes(scope, false, status);
  if (!root) return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
  const std::vector<Key> keys = registration({L"", platform});
  LSTATUS result = ERROR_SUCCESS;
  for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
    HKEY key = nullptr;
    status = RegOpenKeyExW(root, k->path.c_str(), 0, KEY_ALL_ACCESS | scope.view, &key);
    if (status == ERROR_FILE_NOT_FOUND) continue;
    if (status != ERROR_SUCCESS) {
      result = status;
      continue;
    }
    for (const Value& v : k->values) {
      status = RegDeleteValueW(key, v.name.empty() ? nullptr : v.name.c_str());
      if (failed(status)) result = status;
    }
    const bool empty = key_is_empty(key);
    RegCloseKey(key);
    if (empty) {
      status = RegDeleteKeyExW(root, k->path.c_str(), scope.view, 0);
      if (failed(status)) result = status;
    }
  }
  RegCloseKey(root);
  return result;
}

LSTATUS write_class_keys(ClassScope scope, const ClassServer& server) {
  LSTATUS status;
  HKEY root = open_classes(scope, true, status);
  if (!root) return status;
  for (const Key& k : registration(server)) {
    HKEY key = nullptr;
    status = RegCreateKeyExW(root, k.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | scope.view,
                             nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) break;
    for (const Value& v : k.values) {
      status = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(v.data.c_str()),
                              static_cast<DWORD>((v.data.size() + 1) * sizeof(wchar_t)));
      if (status != ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) break;
  }
  RegCloseKey(root);
  if (status != ERROR_SUCCESS) remove_class_keys(scope, server.platform);  // nothing half written
  return status;
}

std::wstring registered_dll(ClassScope scope) {
  const std::wstring path = L"Software\\Classes\\CLSID\\" + guid_text(kClsid) + L"\\InprocServer32";
  wchar_t buf[MAX_PATH * 2];
  DWORD size = sizeof buf;
  if (RegGetValueW(root_of(scope), path.c_str(), nullptr,
                   RRF_RT_REG_SZ | (scope.view == KEY_WOW64_32KEY   ? RRF_SUBKEY_WOW6432KEY
                                    : scope.view == KEY_WOW64_64KEY ? RRF_SUBKEY_WOW6464KEY
                                                                    : 0),
                   nullptr, buf, &size) != ERROR_SUCCESS)
    return {};
  return buf;
}

}  // namespace korvane::com
