// Removing an installation's files (removal.h).
#include "install/removal.h"

#include <windows.h>

#include <algorithm>

#include "install/console.h"
#include "install/file_copy.h"
#include "install/folder_files.h"
#include "install/installations.h"
#include "install/machine.h"
#include "install/record.h"
#include "install/self_removal.h"
#include "install/windows_text.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

std::string file_problem(const fs::path& file, DWORD code) {
  if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
    return text(Say::InUse, {utf8(file)});
  return text(Say::CannotRemove, {utf8(file), reason(code)});
}

// A batch file is held only by the cmd.exe running it (uninstall.cmd from
// the installed folder), never by Excel: its check is left to the removal,
// which hands it to a copy of korvane.exe that waits for cmd.exe to end.
bool is_batch(const fs::path& f) { return _wcsicmp(f.extension().c_str(), L".cmd") == 0; }

}  // namespace

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

// The folders of a release's files, then the folder, each only when empty.
void remove_empty_folders(const fs::path& folder) {
  for (const std::u16string& rel : release_names()) {
    const fs::path parent = under(folder, rel).parent_path();
    if (parent != folder) RemoveDirectoryW(parent.c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

// Removes the folders' files of ours, then the folders they leave empty: the
// user's own files, and the folders that hold them, stay. A batch file in use
// (our cmd.exe's) goes into later; any other problem is said, and false.
bool remove_files(const std::vector<fs::path>& folders, bool machine, const char* command,
                  std::vector<fs::path>* later, fs::path* moved_self) {
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

}  // namespace korvane::install
