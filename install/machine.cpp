// This Windows and this release, as the installer finds them (machine.h).
#include "install/machine.h"

#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <algorithm>
#include <optional>

#include "release_files.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

fs::path known_folder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  fs::path out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
  CoTaskMemFree(path);
  return out;
}

// Whether two paths name the same file or folder, whatever the drive letter,
// case or short name they are written with: Windows' identity of the file.
// (A running program's file is opened here with every kind of sharing, which
// never conflicts with how Windows holds it.)
std::optional<BY_HANDLE_FILE_INFORMATION> identity(const fs::path& p) {
  const HANDLE h = CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return std::nullopt;
  return info;
}

fs::path zone_stream(const fs::path& file) { return file.wstring() + L":Zone.Identifier"; }

}  // namespace

bool windows_is_64_bit() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Where the zip route installs every version: one folder per version.
fs::path base_folder(bool machine) {
  return (machine ? known_folder(FOLDERID_ProgramFiles)
                  : known_folder(FOLDERID_LocalAppData) / L"Programs") /
         L"Korvane";
}

fs::path own_exe() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

bool is_release(const fs::path& folder) {
  std::error_code ec;
  return std::all_of(std::begin(kShipped), std::end(kShipped), [&](const Shipped& f) {
    return !f.required || fs::exists(folder / f.path, ec);
  });
}

const wchar_t* release_marker() {
  for (const Shipped& f : kShipped)
    if (f.required) return f.path;
  return L"";
}

// The release folder: this korvane.exe's, or (the 32-bit one) the one above.
fs::path release_folder() {
  const fs::path here = own_exe().parent_path();
  if (!is_release(here) && is_release(here.parent_path())) return here.parent_path();
  return here;
}

bool same_path(const fs::path& a, const fs::path& b) {
  const auto x = identity(a), y = identity(b);
  return x && y && x->dwVolumeSerialNumber == y->dwVolumeSerialNumber &&
         x->nFileIndexHigh == y->nFileIndexHigh && x->nFileIndexLow == y->nFileIndexLow;
}

// Whether file is folder or inside it: by its spelling (case aside), or by
// Windows' identity of the folders on its way up (another drive letter or
// short name for the same folder).
bool inside(const fs::path& file, const fs::path& folder) {
  const std::wstring f = file.lexically_normal().wstring(), d = folder.lexically_normal().wstring();
  if (!d.empty() && f.size() >= d.size() && _wcsnicmp(f.c_str(), d.c_str(), d.size()) == 0 &&
      (f.size() == d.size() || f[d.size()] == L'\\' || d.back() == L'\\'))
    return true;
  for (fs::path p = file; p.has_relative_path(); p = p.parent_path()) {
    if (same_path(p, folder)) return true;
    if (p == p.parent_path()) break;
  }
  return false;
}

fs::path temp_folder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp, n);
}

bool blocked(const fs::path& file) {
  const HANDLE h = CreateFileW(zone_stream(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  char buffer[512] = {};
  DWORD n = 0;
  ReadFile(h, buffer, sizeof buffer - 1, &n, nullptr);
  CloseHandle(h);
  const std::string s(buffer, n);
  const std::size_t at = s.find("ZoneId=");
  return at == std::string::npos || at + 7 >= s.size() || s[at + 7] >= '3';
}

}  // namespace korvane::install
