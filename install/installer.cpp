// `korvane.exe install`, `uninstall`, `status`: putting the add-in where Excel
// finds it, on the user's Windows, from the folder of the release zip.
//
// The zip's folder holds korvane.exe (64-bit), x64\ and x86\ with each
// bitness's korvane.dll (and korvane.xll), and x86\korvane.exe for 32-bit
// Windows. Office may be 32- or 64-bit whatever Windows is, so on 64-bit
// Windows both DLLs are registered, each in its own registry view, and
// whichever Excel starts finds its own.
//
// install:   1. copy the files to the program folder (per user, or for the
//               machine with --machine), removing an older version's folder;
//            2. register both DLLs' classes there (HKCU or HKLM classes);
//            3. for every Excel version the user has, add our entry to the
//               add-ins Excel opens at start (open_list.h).
// uninstall: the same steps undone, in the other order: first the files
//            (a DLL a running Excel holds stops it, with nothing changed),
//            then the entries and the classes.
// status:    what is where, and whether Excel will load it.
//
// Exit status: 0; 1 when something could not be done (a file in use, a
// registry key that cannot be written); 2 for a usage error or missing rights.
#include "install/installer.h"

#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "com/class_keys.h"
#include "core/text.h"
#include "install/open_list.h"
#include "korvane_version.h"

namespace korvane::install {
namespace {

namespace fs = std::filesystem;

constexpr int kNotDone = 1;
constexpr int kCannot = 2;

// ---- text -----------------------------------------------------------------------

std::wstring wide(std::u16string_view s) { return {s.begin(), s.end()}; }
std::u16string narrow16(std::wstring_view s) { return {s.begin(), s.end()}; }
std::string utf8(std::wstring_view s) { return to_utf8(narrow16(s)); }

int say(int code, const std::string& message) {
  (code ? std::cerr : std::cout) << message << '\n';
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

// Where every version of the add-in is installed: one folder per version.
fs::path base_folder(bool machine) {
  return (machine ? known_folder(FOLDERID_ProgramFiles)
                  : known_folder(FOLDERID_LocalAppData) / L"Programs") /
         L"Korvane";
}

fs::path own_folder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return fs::path(path).parent_path();
}

// The release folder: where install.cmd is, beside this korvane.exe or (the
// 32-bit one) above it.
fs::path release_folder() {
  const fs::path here = own_folder();
  if (fs::exists(here / L"install.cmd")) return here;
  if (fs::exists(here.parent_path() / L"install.cmd")) return here.parent_path();
  return here;
}

// The files of a release, as the zip lays them out; the DLLs are required.
struct Shipped {
  const wchar_t* path;
  bool required;
};
constexpr Shipped kFiles[] = {
    {L"korvane.exe", false},      {L"x64\\korvane.dll", false}, {L"x86\\korvane.dll", true},
    {L"x86\\korvane.exe", false}, {L"x64\\korvane.xll", false}, {L"x86\\korvane.xll", false},
    {L"install.cmd", false},      {L"uninstall.cmd", false},    {L"使用说明.txt", false},
    {L"LICENSE.txt", false},
};

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

std::vector<std::wstring> subkeys(HKEY key) {
  std::vector<std::wstring> out;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD n = 256;
    if (RegEnumKeyExW(key, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    out.emplace_back(name, n);
  }
  return out;
}

constexpr std::wstring_view kOffice = L"Software\\Microsoft\\Office\\";

// The Options key of each Excel version the user has run.
std::vector<std::wstring> excel_options_keys() {
  std::vector<std::wstring> out;
  HKEY office = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Office", 0, KEY_READ, &office) !=
      ERROR_SUCCESS)
    return out;
  for (const std::wstring& version : subkeys(office)) {
    const std::wstring excel = L"Software\\Microsoft\\Office\\" + version + L"\\Excel";
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, excel.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      continue;
    RegCloseKey(key);
    out.push_back(excel + L"\\Options");
  }
  RegCloseKey(office);
  return out;
}

// The entries Excel opens, in its order: OPEN, OPEN1, ... up to the first gap.
std::vector<std::u16string> read_open_list(HKEY options) {
  std::vector<std::u16string> list;
  for (std::size_t i = 0;; ++i) {
    const std::wstring name = wide(open_value_name(i));
    DWORD size = 0;
    if (RegGetValueW(options, nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    list.push_back(narrow16(read_text(options, name.c_str())));
  }
  return list;
}

// Writes a new list over the old one: changed values rewritten, the values
// past its end deleted.
LSTATUS write_open_list(HKEY options, const std::vector<std::u16string>& before,
                        const std::vector<std::u16string>& after) {
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i < before.size() && before[i] == after[i]) continue;
    const std::wstring name = wide(open_value_name(i));
    const std::wstring data = wide(after[i]);
    const LSTATUS s = RegSetValueExW(options, name.c_str(), 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(data.c_str()),
                                     static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (s != ERROR_SUCCESS) return s;
  }
  for (std::size_t i = after.size(); i < before.size(); ++i) {
    const LSTATUS s = RegDeleteValueW(options, wide(open_value_name(i)).c_str());
    if (s != ERROR_SUCCESS && s != ERROR_FILE_NOT_FOUND) return s;
  }
  return ERROR_SUCCESS;
}

// Applies change to the OPEN list of every Excel version; false when one
// could not be written.
template <class Change>
bool change_open_lists(Change change) {
  bool ok = true;
  for (const std::wstring& path : excel_options_keys()) {
    HKEY options = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &options, nullptr) != ERROR_SUCCESS) {
      ok = false;
      continue;
    }
    const std::vector<std::u16string> before = read_open_list(options);
    ok = write_open_list(options, before, change(before)) == ERROR_SUCCESS && ok;
    RegCloseKey(options);
  }
  return ok;
}

// The bitness of the installed Office: Office writes it for Outlook, and
// Click-to-Run installs in their configuration. 64-bit Windows defaults to
// 64-bit Office, as Office 2019 and later install.
const wchar_t* office_bitness() {
  const auto read = [](const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    std::wstring text;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) ==
        ERROR_SUCCESS) {
      text = read_text(key, name);
      RegCloseKey(key);
    }
    return text;
  };
  std::wstring bitness =
      read(L"Software\\Microsoft\\Office\\ClickToRun\\Configuration", L"Platform");
  for (const wchar_t* v : {L"16.0", L"15.0", L"14.0"}) {
    if (!bitness.empty()) break;
    bitness = read(std::wstring(L"Software\\Microsoft\\Office\\") + v + L"\\Outlook", L"Bitness");
  }
  if (bitness == L"x86") return L"x86";
  if (bitness == L"x64") return L"x64";
  return windows_is_64_bit() ? L"x64" : L"x86";
}

// ---- files ------------------------------------------------------------------------

bool in_use(const std::error_code& ec) {
  return ec.value() == ERROR_SHARING_VIOLATION || ec.value() == ERROR_ACCESS_DENIED ||
         ec == std::errc::permission_denied || ec == std::errc::device_or_resource_busy;
}

std::string file_problem(const fs::path& file, const std::error_code& ec, bool machine) {
  if (machine && ec == std::errc::permission_denied && !fs::exists(file))
    return "cannot write " + utf8(file.wstring()) +
           ": installing for every user needs administrator rights (run install.cmd /machine "
           "from a command prompt opened as administrator, or install for yourself without "
           "/machine)";
  if (in_use(ec))
    return utf8(file.wstring()) +
           " is in use, probably by a running Excel: close Excel and run again";
  return "cannot write " + utf8(file.wstring()) + ": " + ec.message();
}

// Removes a version folder; the files a running Excel holds are named.
bool remove_folder(const fs::path& folder, std::vector<std::string>& problems) {
  std::error_code ec;
  // The DLLs first: if Excel holds one, stop before anything else is gone.
  for (const wchar_t* dll :
       {L"x64\\korvane.dll", L"x86\\korvane.dll", L"x64\\korvane.xll", L"x86\\korvane.xll"}) {
    const fs::path file = folder / dll;
    if (fs::exists(file) && !fs::remove(file, ec)) {
      problems.push_back(file_problem(file, ec, false));
      return false;
    }
  }
  const fs::path self = own_folder();
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file() && it->path().parent_path() != self) fs::remove(it->path(), ec);
  }
  fs::remove_all(folder, ec);
  if (fs::exists(folder)) {
    problems.push_back(
        utf8(folder.wstring()) + " could not be removed entirely (" +
        (fs::equivalent(folder, self, ec) || fs::equivalent(folder / L"x86", self, ec)
             ? std::string("this korvane.exe runs from it: delete it by hand")
             : "a file is in use") +
        ")");
    return false;
  }
  return true;
}

}  // namespace

// ---- the commands -------------------------------------------------------------------

int install(const Options& o) {
  const fs::path from = release_folder();
  const fs::path base = base_folder(o.machine);
  const fs::path to = o.in_place ? from : base / KORVANE_VERSION;
  if (base.empty()) return say(kCannot, "korvane install: cannot find the program folder");
  if (!fs::exists(from / L"x86\\korvane.dll"))
    return say(kCannot, "korvane install: run it from the folder of the release zip (" +
                            utf8(from.wstring()) + " holds no x86\\korvane.dll)");

  // 1. The files, and no older version beside them.
  std::error_code ec;
  if (!fs::equivalent(from, to, ec)) {
    fs::create_directories(to / L"x64", ec);
    fs::create_directories(to / L"x86", ec);
    if (ec)
      return say(o.machine ? kCannot : kNotDone,
                 "korvane install: " + file_problem(to, ec, o.machine));
    for (const Shipped& f : kFiles) {
      if (!fs::exists(from / f.path)) {
        if (f.required) return say(kCannot, "korvane install: " + utf8(f.path) + " is missing");
        continue;
      }
      fs::copy_file(from / f.path, to / f.path, fs::copy_options::overwrite_existing, ec);
      if (ec) return say(kNotDone, "korvane install: " + file_problem(to / f.path, ec, o.machine));
    }
  }
  std::vector<std::string> problems;
  for (const auto& older : fs::directory_iterator(base, ec)) {
    // Only another release's folder: with --in-place the installation may be
    // the base folder itself, whose x64 and x86 are no older versions.
    if (older.is_directory() && fs::exists(older.path() / L"x86\\korvane.dll") &&
        !fs::equivalent(older.path(), to, ec))
      remove_folder(older.path(), problems);
  }

  // 2. The classes, each DLL in its own view.
  for (const Registration& r : registrations(o.machine)) {
    const fs::path dll = to / r.folder / L"korvane.dll";
    if (!fs::exists(dll)) continue;
    const LSTATUS s = com::write_class_keys(r.scope, {dll.wstring(), r.platform});
    if (s == ERROR_ACCESS_DENIED)
      return say(kCannot, "korvane install: registering for every user needs administrator rights");
    if (s != ERROR_SUCCESS)
      return say(kNotDone, "korvane install: cannot register " + utf8(dll.wstring()));
  }

  // 3. Excel opens it at its next start.
  const std::u16string entry =
      o.xll ? xll_entry(narrow16((to / office_bitness() / L"korvane.xll").wstring()))
            : std::u16string(kAutomationEntry);
  if (o.xll && !fs::exists(to / office_bitness() / L"korvane.xll"))
    return say(kCannot, "korvane install: this release holds no korvane.xll");
  const bool listed = change_open_lists(
      [&](std::vector<std::u16string> list) { return with_ours(std::move(list), entry); });
  for (const std::string& p : problems) std::cerr << "korvane install: " << p << '\n';
  std::cout << "Korvane " KORVANE_VERSION " installed in " << utf8(to.wstring())
            << (o.machine ? " for every user" : " for you") << ".\n"
            << (excel_options_keys().empty()
                    ? "No Excel has run for this user yet: in Excel, tick Korvane.自定义函数 under "
                      "File > Options > Add-ins > Excel Add-ins > Automation.\n"
                    : "Excel loads it at its next start.\n");
  if (!listed)
    return say(kNotDone, "korvane install: Excel's list of add-ins could not be changed");
  return problems.empty() ? 0 : kNotDone;
}

int uninstall(const Options& o) {
  const fs::path base = base_folder(o.machine);
  std::vector<std::string> problems;
  std::error_code ec;
  // 1. The files first: a DLL in use stops everything.
  for (const auto& version : fs::directory_iterator(o.keep_files ? fs::path() : base, ec)) {
    if (version.is_directory() && !remove_folder(version.path(), problems)) {
      for (const std::string& p : problems) std::cerr << "korvane uninstall: " << p << '\n';
      return kNotDone;
    }
  }
  if (!o.keep_files) fs::remove(base, ec);
  // 2. Excel's list, and 3. the classes.
  const bool listed = change_open_lists(
      [](std::vector<std::u16string> list) { return without_ours(std::move(list)); });
  for (const Registration& r : registrations(o.machine)) {
    const LSTATUS s = com::remove_class_keys(r.scope, r.platform);
    if (s == ERROR_ACCESS_DENIED)
      return say(
          kCannot,
          "korvane uninstall: removing an installation for every user needs administrator rights");
    if (s != ERROR_SUCCESS)
      problems.push_back("the registration in the " + utf8(r.folder) +
                         " view could not be removed");
  }
  for (const std::string& p : problems) std::cerr << "korvane uninstall: " << p << '\n';
  if (!listed)
    return say(kNotDone, "korvane uninstall: Excel's list of add-ins could not be changed");
  if (problems.empty())
    std::cout << "Korvane removed" << (o.machine ? " for every user" : " for you") << ".\n";
  return problems.empty() ? 0 : kNotDone;
}

int status() {
  for (const bool machine : {false, true}) {
    std::cout << (machine ? "For every user" : "For you") << ":\n";
    std::error_code ec;
    bool any = false;
    for (const auto& version : fs::directory_iterator(base_folder(machine), ec)) {
      std::cout << "  installed: " << utf8(version.path().wstring()) << '\n';
      any = true;
    }
    if (!any) std::cout << "  installed: nothing\n";
    for (const Registration& r : registrations(machine)) {
      const std::wstring dll = com::registered_dll(r.scope);
      std::cout << "  "
                << (r.platform == std::wstring(L"win64") ? "64-bit Office" : "32-bit Office")
                << ": " << (dll.empty() ? "not registered" : "registered, " + utf8(dll)) << '\n';
    }
  }
  const std::vector<std::wstring> keys = excel_options_keys();
  if (keys.empty()) std::cout << "Excel: no version has run for this user yet\n";
  for (const std::wstring& path : keys) {
    HKEY options = nullptr;
    std::vector<std::u16string> list;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &options) == ERROR_SUCCESS) {
      list = read_open_list(options);
      RegCloseKey(options);
    }
    std::string loads = "does not load Korvane";
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (is_ours(list[i]))
        loads = "loads Korvane at start (" + to_utf8(open_value_name(i)) + " = " +
                to_utf8(list[i]) + ")";
    }
    const std::size_t from = kOffice.size();
    std::cout << "Excel " << utf8(path.substr(from, path.find(L"\\Excel") - from)) << ": " << loads
              << '\n';
  }
  return 0;
}

}  // namespace korvane::install
