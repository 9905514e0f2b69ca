// Which files of an installation folder are ours: the ones its record names
// (record.h), or, in a folder an older release made before records existed,
// the files of today's release list (install/release-files.txt, the only list
// that release shipped). Only these are ever moved aside or deleted.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvane::install {

// The release's files, as relative paths ('\' between folders).
std::vector<std::u16string> release_names();

// The release's files that are in folder.
std::vector<std::u16string> release_names_in(const std::filesystem::path& folder);

bool has_record(const std::filesystem::path& folder);

// The files of ours in folder that are there: its record's (or the release
// list's), and the record itself.
std::vector<std::u16string> our_files(const std::filesystem::path& folder);

// Whether a folder holds nothing at all (or is not there).
bool missing_or_empty(const std::filesystem::path& folder);

std::filesystem::path under(const std::filesystem::path& folder, std::u16string_view rel);

}  // namespace korvane::install
