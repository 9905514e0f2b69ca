// The note an installation leaves in the registry (note.h).
#include "install/note.h"

namespace korvane::install {
namespace {

constexpr wchar_t kNoteKey[] = L"Software\\Korvane";
constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Korvane";

REGSAM note_view(bool machine) { return machine ? KEY_WOW64_64KEY : 0; }

std::wstring read_value(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return {};
  DWORD size = 0;
  std::wstring text;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    text.assign(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &size) !=
        ERROR_SUCCESS)
      text.clear();
    text.resize(wcslen(text.c_str()));
  }
  RegCloseKey(key);
  return text;
}

}  // namespace

HKEY scope_root(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

Note read_note(bool machine) {
  const auto read = [&](const wchar_t* name) {
    return read_value(scope_root(machine), kNoteKey, name, note_view(machine));
  };
  return {read(L"Folder"), read(L"AddIn"), read(L"Version"), read(L"Route")};
}

LSTATUS write_note(bool machine, const Note& note) {
  HKEY key = nullptr;
  LSTATUS s = RegCreateKeyExW(scope_root(machine), kNoteKey, 0, nullptr, 0,
                              KEY_WRITE | note_view(machine), nullptr, &key, nullptr);
  if (s != ERROR_SUCCESS) return s;
  const auto set = [&](const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  };
  s = set(L"Folder", note.folder);
  if (s == ERROR_SUCCESS) s = set(L"AddIn", note.add_in);
  if (s == ERROR_SUCCESS) s = set(L"Version", note.version);
  if (s == ERROR_SUCCESS) s = set(L"Route", note.route);
  RegCloseKey(key);
  return s;
}

LSTATUS remove_note(bool machine) {
  const LSTATUS s = RegDeleteKeyExW(scope_root(machine), kNoteKey, note_view(machine), 0);
  return s == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : s;
}

std::wstring setup_location(bool machine) {
  // The setup is a 32-bit program: its entry is in the 32-bit view.
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    std::wstring s = read_value(scope_root(machine), kUninstallKey, L"InstallLocation", view);
    if (!s.empty()) return s;
  }
  return {};
}

}  // namespace korvane::install
