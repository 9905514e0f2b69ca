// Removing an installation's files: every one checked first, so that a file
// Excel holds stops an uninstall (or an upgrade) with nothing changed; then
// deleted, with the folders they leave empty.
//
// Only the files of ours go (folder_files.h): the user's own files, and the
// folders that hold them, stay. Two files cannot simply be deleted: the
// running korvane.exe (it moves itself away, self_removal.h) and the batch
// file the cmd.exe running uninstall.cmd holds (left to a copy of korvane.exe
// that waits for cmd.exe to end).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvane::install {

// Checks that every file can go; the first that cannot, said, and the
// read-only flags put back, or "" when all can.
std::string check_removable(const std::vector<std::filesystem::path>& files);

// Whether a folder holds something of the user's: an entry that none of our
// names starts.
bool holds_visible_entry(const std::filesystem::path& folder);

// Removes the folders' files of ours, then the folders they leave empty. A
// batch file in use goes into later (when given); the running korvane.exe is
// moved away, its new path in moved_self; any other problem is said, and
// false.
bool remove_files(const std::vector<std::filesystem::path>& folders, bool machine,
                  const char* command, std::vector<std::filesystem::path>* later = nullptr,
                  std::filesystem::path* moved_self = nullptr);

}  // namespace korvane::install
