// Which folders korvane.exe install and uninstall may change (folder_rule.h).
#include "install/folder_rule.h"

#include <string>

namespace korvane::install {
namespace {

bool is_separator(char16_t c) { return c == u'\\' || c == u'/'; }
bool is_letter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// The parts of a path after its root, counting only those with a name.
std::size_t named_parts(std::u16string_view rest) {
  std::size_t n = 0;
  bool in_part = false;
  for (const char16_t c : rest) {
    if (is_separator(c)) {
      in_part = false;
    } else if (!in_part) {
      in_part = true;
      ++n;
    }
  }
  return n;
}

bool has_dot_part(std::u16string_view rest) {
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !is_separator(rest[end])) ++end;
    const std::u16string_view part = rest.substr(start, end - start);
    if (part == u"." || part == u"..") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

FolderKind path_kind(std::u16string_view path) {
  // 1. A drive's path, C:\..., or a share's, \\server\share\...; the
  //    long-path prefix \\?\ before either is Windows' own spelling.
  if (path.starts_with(u"\\\\?\\")) path.remove_prefix(4);
  std::u16string_view rest;
  if (path.size() >= 3 && is_letter(path[0]) && path[1] == u':' && is_separator(path[2])) {
    rest = path.substr(3);
  } else if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
    // \\server\share is the root of a share: two parts before the folder.
    rest = path.substr(2);
    if (named_parts(rest) <= 2) return FolderKind::DriveRoot;
    return has_dot_part(rest) ? FolderKind::Relative : FolderKind::Usable;
  } else {
    return FolderKind::Relative;
  }
  // 2. At least one folder below the root, and no "." or "..", which would
  //    make what the user wrote and what we change two different folders.
  if (named_parts(rest) == 0) return FolderKind::DriveRoot;
  if (has_dot_part(rest)) return FolderKind::Relative;
  return FolderKind::Usable;
}

FolderKind judge_folder(std::u16string_view path, const FolderFacts& facts) {
  const FolderKind kind = path_kind(path);
  if (kind != FolderKind::Usable) return kind;
  if (facts.missing_or_empty || facts.has_record || facts.has_journal || facts.named_ours)
    return FolderKind::Usable;
  return FolderKind::Foreign;
}

}  // namespace korvane::install
