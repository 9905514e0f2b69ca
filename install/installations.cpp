// Where Korvane is installed (installations.h).
#include "install/installations.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>

#include "install/console.h"
#include "install/folder_files.h"
#include "install/folder_rule.h"
#include "install/journal.h"
#include "install/machine.h"
#include "install/note.h"
#include "install/open_list.h"
#include "install/registry.h"
#include "install/windows_text.h"

namespace korvane::install {

namespace fs = std::filesystem;

// The entry that loads a scope's installation, when one is there.
std::optional<std::u16string> installed_entry(bool machine) {
  const fs::path folder = registered_folder(machine);
  if (folder.empty() || !is_release(folder)) return std::nullopt;
  const bool xll = read_note(machine).add_in == L"xll";
  const fs::path file = folder / office_xll();
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

// The files to remove for a folder: ours (folder_files.h), and no others.
std::vector<fs::path> files_of(const fs::path& folder) {
  std::vector<fs::path> out;
  for (const std::u16string& rel : our_files(folder)) out.push_back(under(folder, rel));
  return out;
}

}  // namespace korvane::install
