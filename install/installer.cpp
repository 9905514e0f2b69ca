// `korvane.exe install`, `uninstall`, `status`: putting the add-in where Excel
// finds it, on the user's Windows, from the folder of the release zip or from
// the folder a setup program has filled.
//
// The release folder holds korvane.exe (64-bit), x64\ and x86\ with each
// bitness's korvane.dll (and korvane.xll), and x86\korvane.exe for 32-bit
// Windows: the files of install/release-files.txt (release_files.h). Office may be 32- or 64-bit
// whatever Windows is, so on 64-bit Windows both DLLs are registered, each in its own registry
// view, and whichever Excel starts finds its own.
//
// install:   1. copy the files to the program folder (per user, or for the
//               machine with --machine), taking off the Mark of the Web a
//               download leaves on them; with --in-place the release folder
//               is the installation and only loses its marks; an older
//               version's folder is removed;
//            2. register both DLLs' classes there (HKCU or HKLM classes), and
//               note the folder and the kind of add-in under Software\Korvane;
//            3. for every Excel version the user has, or that the machine has
//               installed though it never ran, add our entry to the add-ins
//               Excel opens at start (open_list.h).
// uninstall: first check that everything can go (a file Excel holds stops it
//            with nothing changed), then the registry (Excel's entries, the
//            classes, the note), and the files last, so that a file that
//            will not go never leaves keys pointing at nothing. A korvane.exe
//            running from the folder it removes moves itself out of the way.
//            Excel's per-user entry is shared by the installation for the
//            user and the one for the machine: it stays, pointing at the one
//            left, while either is there.
// status:    what is where, whether Excel will load it, and whether a file
//            is blocked; for a user of an installation for every user whose
//            Excel does not list it yet, it adds the entry.
//
// Exit status: 0; 1 when something could not be done (a file in use, a
// registry key that cannot be written); 2 for a usage error or missing rights.
#include "install/installer.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "com/class_keys.h"
#include "core/text.h"
#include "install/file_copy.h"
#include "install/folder_files.h"
#include "install/folder_rule.h"
#include "install/journal.h"
#include "install/messages.h"
#include "install/note.h"
#include "install/office_bitness.h"
#include "install/open_list.h"
#include "install/record.h"
#include "install/windows_text.h"
#include "korvane_version.h"
#include "release_files.h"

namespace korvane::install {
namespace {

namespace fs = std::filesystem;

constexpr int kNotDone = 1;
constexpr int kCannot = 2;

// ---- words --------------------------------------------------------------------

// One line to standard output or error: UTF-16 to a console, which then
// shows Chinese whatever its code page; UTF-8 to a pipe or a file.
void line(bool error, const std::string& s) {
  std::ostream& stream = error ? std::cerr : std::cout;
  stream.flush();
  const HANDLE handle = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    const std::wstring w = wide(to_utf16(s + "\n"));
    DWORD written = 0;
    WriteConsoleW(handle, w.data(), static_cast<DWORD>(w.size()), &written, nullptr);
    return;
  }
  stream << s << '\n';
  stream.flush();
}

void tell(const std::string& s) { line(false, s); }

int fail(int code, const char* command, const std::string& s) {
  line(true, std::string("korvane ") + command + ": " + s);
  return code;
}

// ---- the machine ----------------------------------------------------------------

bool windows_is_64_bit() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

fs::path known_folder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  fs::path out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
  CoTaskMemFree(path);
  return out;
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

// The release folder: this korvane.exe's, or (the 32-bit one) the one above.
fs::path release_folder() {
  const fs::path here = own_exe().parent_path();
  if (!is_release(here) && is_release(here.parent_path())) return here.parent_path();
  return here;
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

// ---- the Mark of the Web ------------------------------------------------------------

// A file downloaded from the internet carries its zone in an alternate data
// stream; from zone 3 (internet) on, Excel refuses to load an XLL with it.
fs::path zone_stream(const fs::path& file) { return file.wstring() + L":Zone.Identifier"; }

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

// ---- the registry ---------------------------------------------------------------

// One registration: a bitness's DLL in its registry view.
struct Registration {
  const wchar_t* folder;  // x64 or x86
  com::ClassScope scope;
  const wchar_t* platform;
};

std::vector<Registration> registrations(bool machine) {
  if (!windows_is_64_bit()) return {{L"x86", {!machine, 0}, L"win32"}};
  return {{L"x64", {!machine, KEY_WOW64_64KEY}, L"win64"},
          {L"x86", {!machine, KEY_WOW64_32KEY}, L"win32"}};
}

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

// ---- Office -------------------------------------------------------------------------

const std::wstring kOffice = L"Software\\Microsoft\\Office";

std::wstring office_version(std::wstring_view s) { return wide(excel_version(narrow16(s))); }

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
const wchar_t* office_bitness() {
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
  return install::office_bitness(read, windows_is_64_bit()) == Bits::X64 ? L"x64" : L"x86";
}

// ---- Excel's list of add-ins -------------------------------------------------------

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

// Our XLL by what it is: its version resource names the product and the
// file; one no longer there is ours by the folder it was installed in.
bool our_xll_file(std::u16string_view written) {
  const fs::path path = expanded(wide(written));
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return in_our_folder(written);
  return version_string(path, L"ProductName") == L"Korvane" &&
         _wcsicmp(version_string(path, L"OriginalFilename").c_str(), L"korvane.xll") == 0;
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

// Applies change to the list of every Excel version (creating the key of
// one that never ran); the status of the first write that failed.
template <class Change>
LSTATUS change_open_lists(const std::vector<std::wstring>& versions, Change change) {
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

// ---- installations ----------------------------------------------------------------

// The folder a scope's classes are registered in (the DLL's folder's
// parent), or "" when none is.
fs::path registered_folder(bool machine) {
  for (const Registration& r : registrations(machine)) {
    const std::wstring dll = com::registered_dll(r.scope);
    if (!dll.empty()) return fs::path(dll).parent_path().parent_path();
  }
  return {};
}

// The entry that loads a scope's installation, when one is there.
std::optional<std::u16string> installed_entry(bool machine) {
  const fs::path folder = registered_folder(machine);
  if (folder.empty() || !is_release(folder)) return std::nullopt;
  const bool xll = read_note(machine).add_in == L"xll";
  const fs::path file = folder / office_bitness() / L"korvane.xll";
  std::error_code ec;
  if (xll && fs::exists(file, ec)) return xll_entry(narrow16(file.wstring()));
  return std::u16string(kAutomationEntry);
}

// Whether a folder is an installation of ours by what it holds: our record,
// our journal, or (an older release's) files of the release.
bool holds_ours(const fs::path& folder) {
  return has_record(folder) || has_journal(folder) || !release_names_in(folder).empty();
}

// The folders of a scope's installations: the registered one, and every
// version folder the zip route made under the base folder.
std::vector<fs::path> installed_folders(bool machine) {
  std::vector<fs::path> out;
  const fs::path registered = registered_folder(machine);
  std::error_code ec;
  if (!registered.empty() && fs::is_directory(registered, ec)) out.push_back(registered);
  for (const auto& entry : fs::directory_iterator(base_folder(machine), ec)) {
    if (entry.is_directory(ec) && holds_ours(entry.path()) &&
        std::none_of(out.begin(), out.end(),
                     [&](const fs::path& p) { return inside(entry.path(), p); }))
      out.push_back(entry.path());
  }
  return out;
}

// ---- files ------------------------------------------------------------------------

// The files to remove for a folder: ours (folder_files.h), and no others.
std::vector<fs::path> files_of(const fs::path& folder) {
  std::vector<fs::path> out;
  for (const std::u16string& rel : our_files(folder)) out.push_back(under(folder, rel));
  return out;
}

std::string file_problem(const fs::path& file, DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
    return text(Say::InUse, {utf8(file)});
  return text(Say::CannotRemove, {utf8(file), reason(code)});
}

// A batch file is held only by the cmd.exe running it (uninstall.cmd from
// the installed folder), never by Excel: its check is left to the removal,
// which hands it to a copy of korvane.exe that waits for cmd.exe to end.
bool is_batch(const fs::path& f) { return _wcsicmp(f.extension().c_str(), L".cmd") == 0; }

// Checks that every file can go; the first that cannot, said, and the
// read-only flags put back, or "" when all can.
std::string check_removable(const std::vector<fs::path>& files) {
  const fs::path self = own_exe();
  for (const fs::path& f : files) {
    if (same_path(f, self) || is_batch(f)) continue;  // moved away, or removed after
    if (const DWORD code = cannot_remove(f)) return file_problem(f, code);
  }
  return {};
}

fs::path temp_folder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp, n);
}

// A running program cannot be deleted but can be renamed: this korvane.exe
// moves to the temporary folder (the same drive, as a rule), to go at the
// next restart where Windows lets us ask for that. Its new path, or "".
fs::path move_self_away(const fs::path& self) {
  const fs::path to =
      temp_folder() / (L"korvane-removed-" + std::to_wstring(GetCurrentProcessId()) + L".exe");
  if (!MoveFileExW(self.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return {};
  MoveFileExW(to.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);  // needs rights: best effort
  return to;
}

// A process's start time, which tells it from a later one that Windows gave
// the same id once it had ended; 0 when it cannot be read.
unsigned long long started(HANDLE process) {
  FILETIME created{}, ended{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

DWORD parent_process() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

// Starts a copy of korvane.exe (the one moved away, or a new copy) that
// waits for our parent process, the cmd.exe that holds its batch file, and
// then removes the folders' remains.
bool finish_later(fs::path exe, const std::vector<fs::path>& folders, bool machine) {
  if (exe.empty()) {
    exe = temp_folder() / (L"korvane-finish-" + std::to_wstring(GetCurrentProcessId()) + L".exe");
    if (!CopyFileW(own_exe().c_str(), exe.c_str(), FALSE)) return false;
    MoveFileExW(exe.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  const DWORD parent = parent_process();
  unsigned long long since = 0;
  if (const HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent)) {
    since = started(h);
    CloseHandle(h);
  }
  std::wstring command = L"\"" + exe.wstring() + L"\" uninstall --finish-after " +
                         std::to_wstring(parent) + L" --finish-since " + std::to_wstring(since) +
                         (machine ? L" --machine" : L"");
  for (const fs::path& f : folders) command += L" --finish-folder \"" + f.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | CREATE_NO_WINDOW, nullptr, temp_folder().c_str(), &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// Removes the folders' files of ours, then the folders they leave empty: the
// user's own files, and the folders that hold them, stay. A batch file in use
// (our cmd.exe's) goes into later; any other problem is said, and false.
// Whether a folder holds something of the user's: an entry that none of our
// names starts (ours may still be listed a moment while on their way out).
bool holds_visible_entry(const fs::path& folder) {
  std::vector<std::u16string> names = release_names();
  names.emplace_back(kRecordName);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::u16string name = narrow16(entry.path().filename().wstring());
    const bool ours = std::any_of(names.begin(), names.end(), [&](const std::u16string& n) {
      return same_file_name(std::u16string_view(n).substr(0, n.find(u'\\')), name);
    });
    if (!ours) return true;
  }
  return false;
}

// The folders of a release's files (x64, x86), then the folder, each only
// when empty.
void remove_empty_folders(const fs::path& folder) {
  for (const std::u16string& rel : release_names()) {
    const fs::path parent = under(folder, rel).parent_path();
    if (parent != folder) RemoveDirectoryW(parent.c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

bool remove_files(const std::vector<fs::path>& folders, bool machine, const char* command,
                  std::vector<fs::path>* later = nullptr, fs::path* moved_self = nullptr) {
  const fs::path self = own_exe();
  bool ok = true;
  for (const fs::path& folder : folders) {
    bool left = false;
    for (const fs::path& f : files_of(folder)) {
      if (same_path(f, self)) {
        const fs::path moved = move_self_away(f);
        if (moved_self) *moved_self = moved;
        if (moved.empty()) {
          fail(kNotDone, command, text(Say::FolderStays, {utf8(folder)}));
          ok = false;
        }
        continue;
      }
      set_read_only(f, false);
      if (DeleteFileW(f.c_str())) continue;
      const DWORD why = GetLastError();
      if (later && is_batch(f) && why == ERROR_SHARING_VIOLATION) {
        left = true;
        continue;
      }
      fail(kNotDone, command, file_problem(f, why));
      ok = false;
    }
    remove_empty_folders(folder);
    // A batch file in use, or a folder Windows keeps a moment longer (the
    // running korvane.exe moved out of it): the rest when they let go.
    std::error_code ec;
    if (later && (left || (ok && fs::exists(folder, ec) && !holds_visible_entry(folder))))
      later->push_back(folder);
  }
  RemoveDirectoryW(base_folder(machine).c_str());  // only when empty
  return ok;
}

// The command line's values of an option (--folder X or --folder=X) as
// Windows passed them, in UTF-16 (a narrow argv would lose what the ANSI code
// page cannot spell).
std::vector<fs::path> wide_option(std::wstring_view name) {
  int n = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
  std::vector<fs::path> out;
  for (int i = 0; args && i < n; ++i) {
    const std::wstring_view a = args[i];
    if (a == name && i + 1 < n) {
      out.emplace_back(args[++i]);
    } else if (a.size() > name.size() && a.starts_with(name) && a[name.size()] == L'=') {
      out.emplace_back(a.substr(name.size() + 1));
    }
  }
  LocalFree(args);
  return out;
}

// The copy started by finish_later: once the process that ran uninstall has
// ended (ten minutes at most: uninstall.cmd may wait for a key), the folders'
// remains, retried a little while Windows lets go of them.
//
// Windows hands an ended process's id to the next one soon (Wine at once):
// a process with that id but another start time is not the one to wait for,
// which has ended. And a folder that holds a record or a journal again is an
// installation made since (the uninstall removed the record before it left
// this step to us): it is not ours to touch.
int finish(const Options& o) {
  if (const HANDLE h =
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, o.finish_after)) {
    if (started(h) == o.finish_since) WaitForSingleObject(h, 10 * 60 * 1000);
    CloseHandle(h);
  }
  std::vector<fs::path> folders = wide_option(L"--finish-folder");
  for (int attempt = 0; attempt < 25; ++attempt) {
    std::error_code ec;
    std::erase_if(folders, [](const fs::path& f) { return has_record(f) || has_journal(f); });
    remove_files(folders, o.machine, "uninstall");
    // Done when our files are gone and each folder is gone too, or holds
    // the user's files (a file deleted while cmd.exe let go of it may
    // keep its folder a moment longer).
    if (std::all_of(folders.begin(), folders.end(), [&](const fs::path& f) {
          return our_files(f).empty() && (!fs::exists(f, ec) || holds_visible_entry(f));
        }))
      return 0;
    Sleep(200);
  }
  return kNotDone;
}

std::string join(const std::vector<std::wstring>& items) {
  std::string out;
  for (const std::wstring& s : items) out += (out.empty() ? "" : ", ") + utf8(s);
  return out;
}

// ---- install's steps -----------------------------------------------------------------

// The folder --folder names, made whole (C:\x\.\y is C:\x\y); "" and the
// reason said when it cannot be used.
fs::path chosen_folder(const char* command) {
  const std::vector<fs::path> given = wide_option(L"--folder");
  const std::wstring path = given.empty() ? L"" : given.back().wstring();
  if (path_kind(narrow16(path)) != FolderKind::Usable) {
    fail(kCannot, command, text(Say::FolderUnusable, {utf8(path)}));
    return {};
  }
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  std::wstring full(n, L'\0');
  if (!n || !GetFullPathNameW(path.c_str(), n, full.data(), nullptr)) return path;
  full.resize(wcslen(full.c_str()));
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return full;
}

// Whether the registry names a folder as an installation of ours: either
// scope's note, classes or the setup's Apps & Features entry.
bool named_ours(const fs::path& folder) {
  for (const bool machine : {false, true}) {
    for (const fs::path& p : {fs::path(read_note(machine).folder), registered_folder(machine),
                              fs::path(setup_location(machine))}) {
      if (!p.empty() && same_path(p, folder)) return true;
    }
  }
  return false;
}

// A journal a killed run left in the folder, settled; false (and said) when
// it could not be.
bool settle_journal(const fs::path& folder, const char* command) {
  if (!has_journal(folder)) return true;
  fs::path at;
  if (const DWORD e = recover(folder, at)) {
    fail(kNotDone, command, text(Say::CannotWrite, {utf8(at), reason(e)}));
    return false;
  }
  tell(text(Say::Interrupted, {utf8(folder)}));
  return true;
}

bool listed_in(const std::vector<std::u16string>& names, std::u16string_view rel) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::u16string& n) { return same_file_name(n, rel); });
}

// Step 1: the files in place through the journal (journal.h), or (in place)
// only unmarked and recorded. "" or what went wrong, with the exit status
// in code; nothing changed then.
std::string put_files(const Options& o, const fs::path& from, const fs::path& to,
                      std::optional<Replacement>& replacement, int& code) {
  code = kNotDone;
  if (o.in_place || same_path(from, to)) {
    const std::vector<std::u16string> names = release_names_in(from);
    for (const std::u16string& rel : names) unblock(under(from, rel));
    if (has_record(from)) return {};
    const DWORD e =
        write_replacing(under(from, kRecordName), format_record(u"" KORVANE_VERSION, names));
    return e ? text(Say::CannotWrite, {utf8(under(from, kRecordName)), reason(e)}) : "";
  }
  // a. Ours in the folder now, and what comes; a file of the user's that
  //    bears one of our names is in the way, never replaced.
  const std::vector<std::u16string> old_files = our_files(to);
  const std::vector<std::u16string> new_files = release_names_in(from);
  for (const std::u16string& rel : new_files) {
    const fs::path target = under(to, rel);
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES && !listed_in(old_files, rel))
      return text(Say::NotOurs, {utf8(target)});
  }
  // b. Every file to replace can be replaced now.
  std::vector<fs::path> old_paths;
  for (const std::u16string& rel : old_files) old_paths.push_back(under(to, rel));
  if (std::string problem = check_removable(old_paths); !problem.empty()) return problem;
  // c. Old files aside, new ones and their record in.
  replacement.emplace(from, to);
  fs::path at;
  const DWORD e = replacement->put(old_files, new_files, u"" KORVANE_VERSION, at);
  if (!e) return {};
  replacement.reset();
  if (e == ERROR_ACCESS_DENIED && o.machine) {
    code = kCannot;
    return text(Say::NeedAdminInstall);
  }
  if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
    return text(Say::InUse, {utf8(at)});
  return text(Say::CannotWrite, {utf8(at), reason(e)});
}

// The older versions beside the new one: each one's files removed, or all
// left and named.
bool remove_older(const Options& o, const fs::path& to) {
  bool ok = true;
  std::error_code ec;
  for (const auto& older : fs::directory_iterator(base_folder(o.machine), ec)) {
    // Every other folder there is an older version's; but with --in-place
    // the installation may be the base folder itself, whose x64 and x86 are
    // no older versions.
    if (!older.is_directory(ec) || inside(older.path(), to) || inside(to, older.path()) ||
        !holds_ours(older.path()) || !settle_journal(older.path(), "install"))
      continue;
    const std::string problem = check_removable(files_of(older.path()));
    if (problem.empty()) {
      remove_files({older.path()}, o.machine, "install");
    } else {
      fail(kNotDone, "install", text(Say::OlderNotRemoved, {utf8(older.path()), problem}));
      ok = false;
    }
  }
  return ok;
}

// Step 2: both DLLs' classes, and the note.
int register_classes(const Options& o, const fs::path& to, const Note& note) {
  for (const Registration& r : registrations(o.machine)) {
    const fs::path dll = to / r.folder / L"korvane.dll";
    std::error_code ec;
    if (!fs::exists(dll, ec)) continue;
    const LSTATUS s = com::write_class_keys(r.scope, {dll.wstring(), r.platform});
    if (s == ERROR_ACCESS_DENIED) return fail(kCannot, "install", text(Say::NeedAdminInstall));
    if (s != ERROR_SUCCESS)
      return fail(kNotDone, "install",
                  text(Say::CannotRegister, {utf8(dll), reason(static_cast<DWORD>(s))}));
  }
  const LSTATUS s = write_note(o.machine, note);
  if (s == ERROR_ACCESS_DENIED) return fail(kCannot, "install", text(Say::NeedAdminInstall));
  return 0;
}

// ---- uninstall's steps --------------------------------------------------------------

// Step 3 of uninstall: the user's Excel lists. While the other scope's
// installation is still there, an entry of ours stays, pointing at it.
LSTATUS unlist(bool machine, std::optional<std::u16string>& stays) {
  stays = installed_entry(!machine);
  return change_open_lists(excel_versions(), [&](const OpenValues& values) {
    if (stays && loads_ours(values, our_xll_file)) return with_ours(values, *stays, our_xll_file);
    return without_ours(values, our_xll_file);
  });
}

bool anything_listed() {
  for (const std::wstring& v : excel_versions()) {
    for (const auto& [number, value] : open_values(v)) {
      if (is_ours(value.text, our_xll_file)) return true;
    }
  }
  return false;
}

bool may_write_machine() {
  HKEY key = nullptr;
  const LSTATUS s = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0,
                                  KEY_READ | KEY_WRITE | KEY_WOW64_64KEY, &key);
  if (s == ERROR_SUCCESS) RegCloseKey(key);
  return s != ERROR_ACCESS_DENIED;
}

}  // namespace

// ---- the commands -------------------------------------------------------------------

int install(const Options& o) {
  const fs::path from = release_folder();
  const fs::path base = base_folder(o.machine);
  if (base.empty()) return fail(kCannot, "install", text(Say::NoProgramFolder));
  const fs::path to = o.folder_given ? chosen_folder("install")
                      : o.in_place   ? from
                                     : base / KORVANE_VERSION;
  if (to.empty()) return kCannot;
  if (!is_release(from)) return fail(kCannot, "install", text(Say::NotARelease, {utf8(from)}));
  // The kind of add-in: as asked, else as the installation before chose it,
  // whichever route installed that.
  const Note before = read_note(o.machine);
  const bool xll = o.xll || (!o.automation && before.add_in == L"xll");
  const fs::path xll_file = to / office_bitness() / L"korvane.xll";
  std::error_code ec;
  if (xll && !fs::exists(from / office_bitness() / L"korvane.xll", ec))
    return fail(kCannot, "install", text(Say::NoXll));
  if (o.machine && !may_write_machine())
    return fail(kCannot, "install", text(Say::NeedAdminInstall));

  // 1. A folder that is empty or ours, after settling what a killed run
  //    left in it; then the files, through the journal.
  if (!settle_journal(to, "install")) return kNotDone;
  // The release folder itself (--in-place, a setup's folder) is ours too.
  const FolderFacts facts{missing_or_empty(to), has_record(to), has_journal(to),
                          named_ours(to) || inside(to, base) || same_path(from, to)};
  if (judge_folder(narrow16(to.wstring()), facts) != FolderKind::Usable)
    return fail(kCannot, "install", text(Say::ForeignFolder, {utf8(to)}));
  std::optional<Replacement> replacement;
  int code = 0;
  if (const std::string problem = put_files(o, from, to, replacement, code); !problem.empty()) {
    fail(code, "install", problem);
    return fail(code, "install", text(Say::NothingChanged));
  }

  // 2. The classes, each DLL in its own view, and the note; a failure puts
  //    the old files back.
  const bool setup_owned = same_path(before.folder, to) && before.route == L"setup";
  const Note note{to.wstring(), xll ? L"xll" : L"automation", L"" KORVANE_VERSION,
                  o.by_setup || setup_owned ? L"setup" : L"zip"};
  if (const int failed = register_classes(o, to, note)) return failed;
  fs::path at;
  const DWORD left = replacement ? replacement->commit(at) : 0;
  if (left) fail(kNotDone, "install", text(Say::CannotRemove, {utf8(at), reason(left)}));
  const bool older_gone = remove_older(o, to);

  // 3. Excel opens it at its next start.
  const std::u16string entry =
      xll ? xll_entry(narrow16(xll_file.wstring())) : std::u16string(kAutomationEntry);
  const std::vector<std::wstring> versions = excel_versions();
  const LSTATUS listed = change_open_lists(
      versions, [&](const OpenValues& values) { return with_ours(values, entry, our_xll_file); });

  tell(text(o.machine ? Say::InstalledForAll : Say::InstalledForYou, {KORVANE_VERSION, utf8(to)}));
  if (versions.empty())
    tell(xll ? text(Say::NoExcelXll, {utf8(xll_file)}) : text(Say::NoExcelAutomation));
  else if (listed == ERROR_SUCCESS)
    tell(text(Say::ExcelLoads, {join(versions)}));
  if (o.machine) tell(text(Say::OthersSwitchOn));
  if (listed != ERROR_SUCCESS)
    return fail(kNotDone, "install",
                text(Say::ListNotChanged, {reason(static_cast<DWORD>(listed))}));
  return older_gone && !left ? 0 : kNotDone;
}

// The folders an uninstall removes: the one --folder names, when it holds an
// installation of ours, or every installation of the scope. Nothing, and
// code set, when --folder names none.
std::vector<fs::path> folders_to_remove(const Options& o, int& code) {
  code = 0;
  if (!o.folder_given) return installed_folders(o.machine);
  const fs::path folder = chosen_folder("uninstall");
  if (folder.empty()) {
    code = kCannot;
    return {};
  }
  if (holds_ours(folder) || named_ours(folder)) return {folder};
  if (!missing_or_empty(folder))
    code = fail(kCannot, "uninstall", text(Say::NoInstallationThere, {utf8(folder)}));
  return {};
}

bool inside_any(const fs::path& file, const std::vector<fs::path>& folders) {
  return std::any_of(folders.begin(), folders.end(),
                     [&](const fs::path& f) { return inside(file, f); });
}

int uninstall(const Options& o) {
  if (o.finish_after) return finish(o);
  // 1. What there is to remove, and whether it is this route's to remove.
  int code = 0;
  const std::vector<fs::path> folders = folders_to_remove(o, code);
  if (code) return code;
  const Note note = read_note(o.machine);
  const bool noted_here = !note.folder.empty() && inside_any(note.folder, folders);
  if (noted_here && note.route == L"setup" && !o.by_setup)
    return fail(kCannot, "uninstall", text(Say::UseAppsAndFeatures, {utf8(note.folder)}));
  // The registrations that point into these folders are theirs; another
  // copy's (an older setup's folder, the other scope's) are not.
  const fs::path registered = registered_folder(o.machine);
  const bool registered_here = !registered.empty() && inside_any(registered, folders);
  const bool owns_registry =
      registered_here || (registered.empty() && (noted_here || !o.folder_given));
  // An entry of ours in Excel's list belongs to this scope only when the
  // other has no installation to load.
  const bool listed_for_us = owns_registry && !installed_entry(!o.machine) && anything_listed();
  if (folders.empty() && !registered_here && !noted_here && !listed_for_us) {
    tell(text(o.machine ? Say::NothingInstalledForAll : Say::NothingInstalledForYou));
    return 0;
  }
  if (o.machine && !may_write_machine())
    return fail(kCannot, "uninstall", text(Say::NeedAdminUninstall));
  for (const fs::path& folder : folders) {
    if (!settle_journal(folder, "uninstall")) return kNotDone;
  }

  // 2. Everything can go, or nothing does.
  std::vector<fs::path> files;
  if (!o.keep_files) {
    for (const fs::path& folder : folders) {
      for (fs::path& f : files_of(folder)) files.push_back(std::move(f));
    }
  }
  if (const std::string problem = check_removable(files); !problem.empty()) {
    fail(kNotDone, "uninstall", problem);
    return fail(kNotDone, "uninstall", text(Say::NothingChanged));
  }

  // 3. Excel's lists, 4. the classes and the note: the registry first, so
  // that nothing is left pointing at files that are gone.
  std::optional<std::u16string> stays;
  const LSTATUS listed = owns_registry ? unlist(o.machine, stays) : ERROR_SUCCESS;
  LSTATUS unregistered = ERROR_SUCCESS;
  for (const Registration& r : registrations(o.machine)) {
    const std::wstring dll = com::registered_dll(r.scope);
    if (dll.empty() || !inside_any(dll, folders)) continue;
    const LSTATUS s = com::remove_class_keys(r.scope, r.platform);
    if (s == ERROR_ACCESS_DENIED) return fail(kCannot, "uninstall", text(Say::NeedAdminUninstall));
    if (s != ERROR_SUCCESS) unregistered = s;
  }
  if (noted_here || (note.folder.empty() && owns_registry)) remove_note(o.machine);
  const fs::path still = registered_folder(o.machine);
  const bool classes_gone = still.empty() || !inside_any(still, folders);

  // 5. The files last.
  std::vector<fs::path> later;
  fs::path moved_self;
  bool files_gone =
      o.keep_files || remove_files(folders, o.machine, "uninstall", &later, &moved_self);
  if (files_gone && !later.empty() && !finish_later(moved_self, later, o.machine)) {
    for (const fs::path& f : later) fail(kNotDone, "uninstall", text(Say::FolderStays, {utf8(f)}));
    files_gone = false;
  }

  if (listed != ERROR_SUCCESS)
    fail(kNotDone, "uninstall", text(Say::ListNotChanged, {reason(static_cast<DWORD>(listed))}));
  if (!classes_gone)
    fail(kNotDone, "uninstall",
         text(Say::CannotRemove, {"Korvane.自定义函数", reason(static_cast<DWORD>(unregistered))}));
  if (listed != ERROR_SUCCESS || !classes_gone || !files_gone) return kNotDone;
  tell(text(o.keep_files ? (o.machine ? Say::UnregisteredForAll : Say::UnregisteredForYou)
                         : (o.machine ? Say::RemovedForAll : Say::RemovedForYou)));
  if (stays) tell(text(Say::EntryStays, {utf8(registered_folder(!o.machine))}));
  return 0;
}

int status() {
  for (const bool machine : {false, true}) {
    tell(text(machine ? Say::StatusForAll : Say::StatusForYou));
    const std::vector<fs::path> folders = installed_folders(machine);
    for (const fs::path& folder : folders) tell(text(Say::StatusInstalled, {utf8(folder)}));
    if (folders.empty()) tell(text(Say::StatusNothing));
    for (const Registration& r : registrations(machine)) {
      const std::wstring dll = com::registered_dll(r.scope);
      const char* bits = r.platform == std::wstring(L"win64") ? "64" : "32";
      tell(dll.empty() ? text(Say::StatusNotRegistered, {bits})
                       : text(Say::StatusRegistered, {bits, utf8(dll)}));
    }
    for (const fs::path& folder : folders) {
      for (const fs::path& f : files_of(folder)) {
        if (blocked(f)) tell(text(Say::StatusBlocked, {utf8(f)}));
      }
    }
  }
  // A user of an installation for every user, whose Excel does not list it:
  // the installer wrote the entry only for the administrator who ran it.
  const std::optional<std::u16string> machine_entry =
      installed_entry(false) ? std::nullopt : installed_entry(true);
  const std::vector<std::wstring> versions = excel_versions();
  if (versions.empty()) tell(text(Say::StatusNoExcel));
  for (const std::wstring& version : versions) {
    OpenValues values = open_values(version);
    if (!loads_ours(values, our_xll_file) && machine_entry) {
      const std::u16string entry = *machine_entry;
      if (change_open_lists({version}, [&](const OpenValues& v) {
            return with_ours(v, entry, our_xll_file);
          }) == ERROR_SUCCESS) {
        values = open_values(version);
        for (const auto& [number, value] : values) {
          if (value.text == entry)
            tell(text(Say::StatusSwitchedOn,
                      {utf8(version), to_utf8(open_value_name(number)), to_utf8(value.text)}));
        }
        continue;
      }
    }
    std::string said = text(Say::StatusDoesNotLoad, {utf8(version)});
    for (std::size_t i = 0; i < loaded_count(values); ++i) {
      if (is_ours(values.at(i).text, our_xll_file))
        said = text(Say::StatusLoads,
                    {utf8(version), to_utf8(open_value_name(i)), to_utf8(values.at(i).text)});
    }
    tell(said);
  }
  return 0;
}

}  // namespace korvane::install
