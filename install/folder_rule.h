// Which folders korvane.exe install and uninstall may change.
//
// A folder named on the command line (--folder, which the setup's /D= and a
// deployment tool pass on) is used only when it is a whole, absolute path
// below a drive or a share, and either empty or an installation of ours: one
// that holds our record or our journal of a half-done replacement, or one an
// older release installed before records existed, which the registry's note
// names. Anything else (a tools folder holding another korvane.exe, a
// folder of workbooks) is someone else's and is refused with nothing changed.
#pragma once

#include <string_view>

namespace korvane::install {

enum class FolderKind {
  Relative,   // not a full path (relative, "\x", "C:x"): it would depend on where we run
  DriveRoot,  // C:\ or \\server\share: never a program folder of ours
  Foreign,    // not empty, and nothing says it is ours
  Usable,
};

// What we know of a folder from the file system and the registry.
struct FolderFacts {
  bool missing_or_empty = true;
  bool has_record = false;
  bool has_journal = false;
  bool named_ours = false;  // Software\Korvane's Folder, or the setup's InstallLocation
};

// The path alone: Relative, DriveRoot or Usable ('/' is read as '\').
FolderKind path_kind(std::u16string_view path);

// The path and what it holds.
FolderKind judge_folder(std::u16string_view path, const FolderFacts& facts);

}  // namespace korvane::install
