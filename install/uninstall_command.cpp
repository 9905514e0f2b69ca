// `korvane.exe uninstall`: taking the add-in out of Excel and its files off
// the disk.
//
// First check that everything can go (a file Excel holds stops it with
// nothing changed), then the registry (Excel's entries, the classes, the
// note), and the files last, so that a file that will not go never leaves
// keys pointing at nothing. A korvane.exe running from the folder it removes
// moves itself out of the way (self_removal.h). Excel's per-user entry is
// shared by the installation for the user and the one for the machine: it
// stays, pointing at the one left, while either is there.
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "install/console.h"
#include "install/excel_lists.h"
#include "install/folder_files.h"
#include "install/folder_rule.h"
#include "install/installations.h"
#include "install/installer.h"
#include "install/machine.h"
#include "install/note.h"
#include "install/open_list.h"
#include "install/registry.h"
#include "install/removal.h"
#include "install/self_removal.h"
#include "install/windows_text.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

// Step 3 of uninstall: the user's Excel lists. While the other scope's
// installation is still there, an entry of ours stays, pointing at it.
LSTATUS unlist(bool machine, std::optional<std::u16string>& stays) {
  stays = installed_entry(!machine);
  return change_open_lists(excel_versions(), [&](const OpenValues& values) {
    if (stays && loads_ours(values, our_xll_file)) return with_ours(values, *stays, our_xll_file);
    return without_ours(values, our_xll_file);
  });
}

}  // namespace

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

}  // namespace korvane::install
