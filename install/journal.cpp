// Replacing an installation's files through a journal (journal.h).
#include "install/journal.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <system_error>

#include "install/file_copy.h"
#include "install/record.h"

namespace korvane::install {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kMoving[] = L"moving.txt";
constexpr wchar_t kCopying[] = L"copying.txt";
constexpr wchar_t kCommitted[] = L"committed.txt";

fs::path journal_of(const fs::path& folder) { return folder / kJournalName; }
fs::path aside_of(const fs::path& folder) { return journal_of(folder) / L"files"; }
fs::path in(const fs::path& folder, std::u16string_view rel) {
  return folder / std::wstring(rel.begin(), rel.end());
}

bool is_there(const fs::path& p) {
  return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD failed(const fs::path& file, fs::path& at) {
  const DWORD why = GetLastError();
  at = file;
  return why ? why : ERROR_GEN_FAILURE;
}

// Removes the folders from file's up to (not including) top that are empty.
void remove_empty_parents(const fs::path& file, const fs::path& top) {
  for (fs::path p = file.parent_path(); p != top && p.native().size() > top.native().size();
       p = p.parent_path()) {
    if (!RemoveDirectoryW(p.c_str())) break;
  }
}

// The files moved aside, as paths relative to the journal's files\.
std::vector<fs::path> moved_aside(const fs::path& folder) {
  std::vector<fs::path> out;
  std::error_code ec;
  const fs::path aside = aside_of(folder);
  for (auto it = fs::recursive_directory_iterator(aside, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_directory(ec)) out.push_back(it->path().lexically_relative(aside));
  }
  // Deepest first, so that their folders empty in order.
  std::sort(out.begin(), out.end(), [](const fs::path& a, const fs::path& b) {
    return a.native().size() > b.native().size();
  });
  return out;
}

// The new files a marker lists (nullopt: unreadable, so treated as none
// written yet, which is only the case before the marker is complete).
std::vector<std::u16string> listed(const fs::path& marker) {
  std::string bytes;
  if (read_whole(marker, bytes) != 0) return {};
  return parse_record(bytes).value_or(std::vector<std::u16string>{});
}

// Removes the journal itself once its files\ is empty.
DWORD close_journal(const fs::path& folder, fs::path& at) {
  const fs::path journal = journal_of(folder);
  for (const wchar_t* marker : {kMoving, kCopying, kCommitted}) {
    DeleteFileW(temporary_name(journal / marker).c_str());
    DeleteFileW((journal / marker).c_str());
  }
  RemoveDirectoryW(aside_of(folder).c_str());
  if (!RemoveDirectoryW(journal.c_str()) && is_there(journal)) return failed(journal, at);
  return 0;
}

// After the commit: the old files go, and only they.
DWORD finish(const fs::path& folder, fs::path& at) {
  const fs::path aside = aside_of(folder);
  for (const fs::path& rel : moved_aside(folder)) {
    const fs::path file = aside / rel;
    set_read_only(file, false);
    if (!DeleteFileW(file.c_str())) return failed(file, at);
    remove_empty_parents(file, aside);
  }
  return close_journal(folder, at);
}

// Before the commit: what was written goes, what was moved comes back.
DWORD undo(const fs::path& folder, bool copying, fs::path& at) {
  const fs::path journal = journal_of(folder);
  if (copying) {
    for (const std::u16string& rel : listed(journal / kCopying)) {
      const fs::path file = in(folder, rel);
      DeleteFileW(temporary_name(file).c_str());
      set_read_only(file, false);
      if (!DeleteFileW(file.c_str()) && is_there(file)) return failed(file, at);
      remove_empty_parents(file, folder);
    }
  }
  const fs::path aside = aside_of(folder);
  for (const fs::path& rel : moved_aside(folder)) {
    const fs::path back = folder / rel;
    make_folders(back.parent_path());
    if (!MoveFileExW((aside / rel).c_str(), back.c_str(), MOVEFILE_WRITE_THROUGH))
      return failed(back, at);
    remove_empty_parents(aside / rel, aside);
  }
  return close_journal(folder, at);
}

}  // namespace

bool has_journal(const fs::path& folder) { return is_there(journal_of(folder)); }

DWORD recover(const fs::path& folder, fs::path& at) {
  const fs::path journal = journal_of(folder);
  if (!is_there(journal)) return 0;
  if (is_there(journal / kCommitted)) return finish(folder, at);
  return undo(folder, is_there(journal / kCopying), at);
}

Replacement::Replacement(fs::path from, fs::path folder)
    : from_(std::move(from)), folder_(std::move(folder)) {}

Replacement::~Replacement() {
  fs::path at;
  if (open_) roll_back(at);
}

DWORD Replacement::put(const std::vector<std::u16string>& old_files,
                       const std::vector<std::u16string>& new_files, std::u16string_view version,
                       fs::path& at) {
  const fs::path journal = journal_of(folder_);
  const fs::path aside = aside_of(folder_);
  // 1. The journal and its marker, before anything moves.
  if (const DWORD e = make_folders(aside)) {
    at = aside;
    return e;
  }
  open_ = true;
  std::vector<std::u16string> written = new_files;
  written.emplace_back(kRecordName);
  if (const DWORD e = write_replacing(journal / kMoving, format_record(version, written))) {
    at = journal / kMoving;
    fs::path ignored;
    roll_back(ignored);
    return e;
  }
  // 2. Our old files aside, and only they.
  for (const std::u16string& rel : old_files) {
    const fs::path file = in(folder_, rel);
    if (!is_there(file)) continue;
    const fs::path to = in(aside, rel);
    if (make_folders(to.parent_path()) != 0 ||
        !MoveFileExW(file.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
      const DWORD e = failed(file, at);
      fs::path ignored;
      roll_back(ignored);
      return e;
    }
  }
  if (!MoveFileExW((journal / kMoving).c_str(), (journal / kCopying).c_str(),
                   MOVEFILE_WRITE_THROUGH)) {
    const DWORD e = failed(journal / kMoving, at);
    fs::path ignored;
    roll_back(ignored);
    return e;
  }
  // 3. The new files, then their record.
  for (const std::u16string& rel : new_files) {
    const fs::path target = in(folder_, rel);
    DWORD e = make_folders(target.parent_path());
    if (!e) e = copy_replacing(in(from_, rel), target);
    if (e) {
      at = target;
      fs::path ignored;
      roll_back(ignored);
      return e;
    }
  }
  if (const DWORD e =
          write_replacing(in(folder_, kRecordName), format_record(version, new_files))) {
    at = in(folder_, kRecordName);
    fs::path ignored;
    roll_back(ignored);
    return e;
  }
  return 0;
}

DWORD Replacement::commit(fs::path& at) {
  const fs::path journal = journal_of(folder_);
  if (!MoveFileExW((journal / kCopying).c_str(), (journal / kCommitted).c_str(),
                   MOVEFILE_WRITE_THROUGH))
    return failed(journal / kCopying, at);
  open_ = false;
  return finish(folder_, at);
}

DWORD Replacement::roll_back(fs::path& at) {
  open_ = false;
  return recover(folder_, at);
}

}  // namespace korvane::install
