// The installer's registry: registrations, Excel versions, Office's
// bitness (registry.h).
#include "install/registry.h"

#include <optional>
#include <set>

#include "install/machine.h"
#include "install/office_bitness.h"
#include "install/open_list.h"
#include "install/windows_text.h"
#include "release_files.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

const std::wstring kOffice = L"Software\\Microsoft\\Office";

std::wstring read_text(HKEY key, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return {};
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
    return {};
  text.resize(wcslen(text.c_str()));
  return text;
}

std::wstring read_text(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
  HKEY key = nullptr;
  std::wstring out;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
    out = read_text(key, name);
    RegCloseKey(key);
  }
  return out;
}

bool key_exists(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

std::vector<std::wstring> subkeys(HKEY root, const std::wstring& path, REGSAM view) {
  std::vector<std::wstring> out;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return out;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD n = 256;
    if (RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.emplace_back(name, n);
  }
  RegCloseKey(key);
  return out;
}

std::wstring office_version(std::wstring_view s) { return wide(excel_version(narrow16(s))); }

}  // namespace

std::vector<Registration> registrations(bool machine) {
  if (!windows_is_64_bit()) return {{kLibrary86, {!machine, 0}, L"win32"}};
  return {{kLibrary64, {!machine, KEY_WOW64_64KEY}, L"win64"},
          {kLibrary86, {!machine, KEY_WOW64_32KEY}, L"win32"}};
}

// Every Excel version of this user: those that ran (the user's Excel key),
// and those installed that never ran for them: the machine's Office keys in
// both registry views (an MSI install), and Click-to-Run's configuration.
std::vector<std::wstring> excel_versions() {
  std::set<std::wstring> found;
  const struct {
    HKEY root;
    REGSAM view;
  } places[] = {{HKEY_CURRENT_USER, 0},
                {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}};
  for (const auto& p : places) {
    for (const std::wstring& v : subkeys(p.root, kOffice, p.view)) {
      if (office_version(v) == v && key_exists(p.root, kOffice + L"\\" + v + L"\\Excel", p.view))
        found.insert(v);
    }
  }
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    const std::wstring v = office_version(read_text(
        HKEY_LOCAL_MACHINE, kOffice + L"\\ClickToRun\\Configuration", L"VersionToReport", view));
    if (!v.empty()) found.insert(v);
  }
  return {found.begin(), found.end()};
}

std::wstring options_key(const std::wstring& version) {
  return kOffice + L"\\" + version + L"\\Excel\\Options";
}

// The bitness of the installed Office (office_bitness.h), from the machine's
// registry in both views.
const wchar_t* office_xll() {
  const auto read = [](std::u16string_view key, bool view64,
                       std::u16string_view name) -> std::optional<std::u16string> {
    HKEY k = nullptr;
    const std::wstring path = kOffice + L"\\" + wide(key);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                      KEY_READ | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY), &k) != ERROR_SUCCESS)
      return std::nullopt;
    DWORD size = 0;
    const std::wstring n = wide(name);
    std::optional<std::u16string> out;
    if (RegGetValueW(k, nullptr, n.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
      std::wstring v(size / sizeof(wchar_t), L'\0');
      if (RegGetValueW(k, nullptr, n.c_str(), RRF_RT_REG_SZ, nullptr, v.data(), &size) ==
          ERROR_SUCCESS)
        out = narrow16(v.c_str());
    }
    RegCloseKey(k);
    return out;
  };
  return install::office_bitness(read, windows_is_64_bit()) == Bits::X64 ? kXll64 : kXll86;
}

// The folder a scope's classes are registered in (the DLL's folder's
// parent), or "" when none is.
fs::path registered_folder(bool machine) {
  for (const Registration& r : registrations(machine)) {
    const std::wstring dll = com::registered_dll(r.scope);
    if (!dll.empty()) return fs::path(dll).parent_path().parent_path();
  }
  return {};
}

bool may_write_machine() {
  HKEY key = nullptr;
  const LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0,
                                  KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, &key);
  if (s == ERROR_SUCCESS) RegCloseKey(key);
  return s != ERROR_ACCESS_DENIED;
}

}  // namespace korvane::install
