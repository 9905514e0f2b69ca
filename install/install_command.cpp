// `korvane.exe install`: putting the add-in where Excel finds it, on the
// user's Windows, from the folder of the release zip or from the folder a
// setup program has filled.
//
// The release folder holds the files of install/release-files.txt: the
// 64-bit korvane.exe, each bitness's library (and XLL) in a folder of its
// own, and the 32-bit korvane.exe for 32-bit Windows.
//
// 1. copy the files to the program folder (per user, or for the machine with
//    --machine), taking off the Mark of the Web a download leaves on them;
//    with --in-place the release folder is the installation and only loses
//    its marks; an older version's folder is removed;
// 2. register both libraries' classes there (HKCU or HKLM classes), and note
//    the folder and the kind of add-in under Software\Korvane;
// 3. for every Excel version the user has, or that the machine has installed
//    though it never ran, add our entry to the add-ins Excel opens at start
//    (open_list.h).
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "install/console.h"
#include "install/excel_lists.h"
#include "install/file_copy.h"
#include "install/folder_files.h"
#include "install/folder_rule.h"
#include "install/installations.h"
#include "install/installer.h"
#include "install/journal.h"
#include "install/machine.h"
#include "install/note.h"
#include "install/record.h"
#include "install/registry.h"
#include "install/removal.h"
#include "install/windows_text.h"
#include "korvane_version.h"

namespace korvane::install {

namespace fs = std::filesystem;

namespace {

std::string join(const std::vector<std::wstring>& items) {
  std::string out;
  for (const std::wstring& s : items) out += (out.empty() ? "" : ", ") + utf8(s);
  return out;
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
    const fs::path dll = to / r.library;
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

}  // namespace

int install(const Options& o) {
  const fs::path from = release_folder();
  const fs::path base = base_folder(o.machine);
  if (base.empty()) return fail(kCannot, "install", text(Say::NoProgramFolder));
  const fs::path to = o.folder_given ? chosen_folder("install")
                      : o.in_place   ? from
                                     : base / KORVANE_VERSION;
  if (to.empty()) return kCannot;
  if (!is_release(from))
    return fail(kCannot, "install",
                text(Say::NotARelease, {utf8(from), utf8(std::wstring(release_marker()))}));
  // The kind of add-in: as asked, else as the installation before chose it,
  // whichever route installed that.
  const Note before = read_note(o.machine);
  const bool xll = o.xll || (!o.automation && before.add_in == L"xll");
  const fs::path xll_file = to / office_xll();
  std::error_code ec;
  if (xll && !fs::exists(from / office_xll(), ec))
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

}  // namespace korvane::install
