// Excel's lists of add-ins in the registry (excel_lists.h).
#include "install/excel_lists.h"

#include <algorithm>
#include <filesystem>

#include "install/registry.h"
#include "install/windows_text.h"
#include "release_files.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

// Our XLLs, one a bitness.
constexpr const wchar_t* kXlls[] = {kXll64, kXll86};

std::wstring expanded(const std::wstring& s) {
  const DWORD n = ExpandEnvironmentStringsW(s.c_str(), nullptr, 0);
  std::wstring out(n, L'\0');
  if (!n || !ExpandEnvironmentStringsW(s.c_str(), out.data(), n)) return s;
  out.resize(wcslen(out.c_str()));
  return out;
}

// A string of a file's version resource, from any of its languages.
std::wstring version_string(const fs::path& file, const wchar_t* name) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (!size) return {};
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return {};
  struct Translation {
    WORD language, code_page;
  }* translations = nullptr;
  UINT bytes = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &bytes))
    return {};
  for (UINT i = 0; i < bytes / sizeof(Translation); ++i) {
    wchar_t query[64];
    swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", translations[i].language,
             translations[i].code_page, name);
    wchar_t* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length) && length)
      return value;
  }
  return {};
}

// Every OPEN value of an Options key, unexpanded, with its type.
OpenValues read_open_values(HKEY options) {
  OpenValues values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_size = 256, type = 0, size = 0;
    const LSTATUS s = RegEnumValueW(options, i, name, &name_size, nullptr, &type, nullptr, &size);
    if (s == ERROR_NO_MORE_ITEMS) break;
    if (s != ERROR_SUCCESS && s != ERROR_MORE_DATA) continue;
    const long number = open_value_number(narrow16(std::wstring_view(name, name_size)));
    if (number < 0 || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(options, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &got) != ERROR_SUCCESS)
      continue;
    data.resize(wcsnlen(data.c_str(), got / sizeof(wchar_t)));
    values[static_cast<std::size_t>(number)] = {narrow16(data), type == REG_EXPAND_SZ};
  }
  return values;
}

// Writes the values that changed, each with its own type, and deletes those
// no longer there.
LSTATUS write_open_values(HKEY options, const OpenValues& before, const OpenValues& after) {
  for (const auto& [number, value] : after) {
    const auto was = before.find(number);
    if (was != before.end() && was->second == value) continue;
    const std::wstring data = wide(value.text);
    const LSTATUS s = RegSetValueExW(options, wide(open_value_name(number)).c_str(), 0,
                                     value.expand ? REG_EXPAND_SZ : REG_SZ,
                                     reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (s != ERROR_SUCCESS) return s;
  }
  for (const auto& [number, value] : before) {
    if (after.contains(number)) continue;
    const LSTATUS s = RegDeleteValueW(options, wide(open_value_name(number)).c_str());
    if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) return s;
  }
  return ERROR_SUCCESS;
}

}  // namespace

// Our XLL by what it is: its version resource names the product and the
// file; one no longer there is ours by the folder it was installed in.
bool our_xll_file(std::u16string_view written) {
  const fs::path path = expanded(wide(written));
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return in_our_folder(written);
  if (version_string(path, L"ProductName") != L"Korvane") return false;
  const std::wstring name = version_string(path, L"OriginalFilename");
  return std::any_of(std::begin(kXlls), std::end(kXlls), [&](const wchar_t* xll) {
    return _wcsicmp(name.c_str(), fs::path(xll).filename().c_str()) == 0;
  });
}

OpenValues open_values(const std::wstring& version) {
  HKEY options = nullptr;
  OpenValues values;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, options_key(version).c_str(), 0, KEY_READ, &options) ==
      ERROR_SUCCESS) {
    values = read_open_values(options);
    RegCloseKey(options);
  }
  return values;
}

LSTATUS change_open_lists(const std::vector<std::wstring>& versions,
                          const std::function<OpenValues(const OpenValues&)>& change) {
  LSTATUS result = ERROR_SUCCESS;
  for (const std::wstring& version : versions) {
    HKEY options = nullptr;
    LSTATUS s = RegCreateKeyExW(HKEY_CURRENT_USER, options_key(version).c_str(), 0, nullptr, 0,
                                KEY_READ | KEY_WRITE, nullptr, &options, nullptr);
    if (s == ERROR_SUCCESS) {
      const OpenValues before = read_open_values(options);
      s = write_open_values(options, before, change(before));
      RegCloseKey(options);
    }
    if (result == ERROR_SUCCESS) result = s;
  }
  return result;
}

bool anything_listed() {
  for (const std::wstring& v : excel_versions()) {
    for (const auto& [number, value] : open_values(v)) {
      if (is_ours(value.text, our_xll_file)) return true;
    }
  }
  return false;
}

}  // namespace korvane::install
