// Which files of an installation folder are ours (folder_files.h).
#include "install/folder_files.h"

#include <windows.h>

#include <system_error>

#include "install/file_copy.h"
#include "install/record.h"
#include "release_files.h"

namespace korvane::install {

namespace fs = std::filesystem;

fs::path under(const fs::path& folder, std::u16string_view rel) {
  return folder / std::wstring(rel.begin(), rel.end());
}

static bool is_file(const fs::path& p) {
  const DWORD a = GetFileAttributesW(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::u16string> release_names() {
  std::vector<std::u16string> out;
  for (const Shipped& f : kShipped) out.emplace_back(f.path, f.path + wcslen(f.path));
  return out;
}

std::vector<std::u16string> release_names_in(const fs::path& folder) {
  std::vector<std::u16string> out;
  for (std::u16string& rel : release_names()) {
    if (is_file(under(folder, rel))) out.push_back(std::move(rel));
  }
  return out;
}

bool has_record(const fs::path& folder) { return is_file(under(folder, kRecordName)); }

std::vector<std::u16string> our_files(const fs::path& folder) {
  std::string bytes;
  std::optional<std::vector<std::u16string>> recorded;
  if (read_whole(under(folder, kRecordName), bytes) == 0) recorded = parse_record(bytes);
  // A record that cannot be read is not trusted: the release list instead.
  std::vector<std::u16string> out;
  for (std::u16string& rel : recorded ? *recorded : release_names()) {
    if (!same_file_name(rel, kRecordName) && is_file(under(folder, rel)))
      out.push_back(std::move(rel));
  }
  if (has_record(folder)) out.emplace_back(kRecordName);
  return out;
}

bool missing_or_empty(const fs::path& folder) {
  std::error_code ec;
  return !fs::exists(folder, ec) || fs::is_empty(folder, ec);
}

}  // namespace korvane::install
