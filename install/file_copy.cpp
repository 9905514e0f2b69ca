// Putting one file in place with the Windows API (file_copy.h).
#include "install/file_copy.h"

#include <shlobj.h>

namespace korvane::install {

namespace fs = std::filesystem;

fs::path temporary_name(const fs::path& target) { return target.wstring() + L".korvane-new"; }

void set_read_only(const fs::path& file, bool on) {
  const DWORD a = GetFileAttributesW(file.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(file.c_str(), on ? a | FILE_ATTRIBUTE_READONLY : a & ~FILE_ATTRIBUTE_READONLY);
}

void unblock(const fs::path& file) { DeleteFileW((file.wstring() + L":Zone.Identifier").c_str()); }

// The temporary file, once complete, renamed over the target.
static DWORD put_over(const fs::path& temp, const fs::path& target) {
  set_read_only(target, false);
  if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return 0;
  const DWORD why = GetLastError();
  DeleteFileW(temp.c_str());
  return why;
}

DWORD copy_replacing(const fs::path& from, const fs::path& target) {
  const fs::path temp = temporary_name(target);
  set_read_only(temp, false);
  if (!CopyFileW(from.c_str(), temp.c_str(), FALSE)) {
    const DWORD why = GetLastError();
    DeleteFileW(temp.c_str());
    return why;
  }
  set_read_only(temp, false);
  unblock(temp);
  if (const DWORD why = put_over(temp, target)) return why;
  unblock(target);  // where streams are files beside it (Wine), the old one's mark
  return 0;
}

DWORD write_replacing(const fs::path& target, std::string_view bytes) {
  const fs::path temp = temporary_name(target);
  const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && FlushFileBuffers(h);
  const DWORD why = ok ? 0 : GetLastError();
  CloseHandle(h);
  if (!ok) {
    DeleteFileW(temp.c_str());
    return why ? why : ERROR_WRITE_FAULT;
  }
  return put_over(temp, target);
}

DWORD read_whole(const fs::path& file, std::string& bytes) {
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  LARGE_INTEGER size{};
  DWORD why = 0;
  // A record is a few hundred bytes; anything past a megabyte is not one.
  if (!GetFileSizeEx(h, &size) || size.QuadPart > (1 << 20)) {
    why = ERROR_FILE_TOO_LARGE;
  } else {
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
      why = GetLastError();
    bytes.resize(got);
  }
  CloseHandle(h);
  return why;
}

DWORD cannot_remove(const fs::path& file) {
  const DWORD a = GetFileAttributesW(file.c_str());
  const bool flagged = a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
  if (flagged) set_read_only(file, false);
  const HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD why = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  if (flagged) set_read_only(file, true);  // the check changes nothing
  return why;
}

DWORD make_folders(const fs::path& folder) {
  const int s = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return s == ERROR_SUCCESS || s == ERROR_ALREADY_EXISTS || s == ERROR_FILE_EXISTS
             ? 0
             : static_cast<DWORD>(s);
}

}  // namespace korvane::install
