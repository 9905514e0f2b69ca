// Replacing an installation's files so that a failure, or a run killed
// halfway, never leaves a folder that is neither the old installation nor
// the new one.
//
// The journal is a folder inside the installation, korvane-replacing\:
//   moving.txt     written first, before anything moves: the files the new
//                  installation will have (the record's format);
//   files\...      our old files, moved aside under their own relative paths;
//   copying.txt    moving.txt renamed once every old file is aside: from now
//                  on any of the listed files in the folder is a new one;
//   committed.txt  copying.txt renamed once the new files and the new record
//                  are in place and registered: the old files may go.
// A run that finds a journal settles it before doing anything else (recover):
// before the commit it puts back exactly what was moved aside and removes
// what was written, after it removes what was moved aside. The user's files
// in the folder are never in the journal and never touched.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace korvane::install {

inline constexpr wchar_t kJournalName[] = L"korvane-replacing";

bool has_journal(const std::filesystem::path& folder);

// Settles a journal a run left in folder (rolled back, or finished past its
// commit); 0 when there is none left, else the Windows error, with the file
// it concerned in at.
DWORD recover(const std::filesystem::path& folder, std::filesystem::path& at);

// One replacement: put() moves the old files aside and copies the new ones
// with their record; then commit() or roll_back(). A Replacement that is
// neither committed nor rolled back when it goes rolls back.
class Replacement {
 public:
  Replacement(std::filesystem::path from, std::filesystem::path folder);
  ~Replacement();
  Replacement(const Replacement&) = delete;
  Replacement& operator=(const Replacement&) = delete;

  // old_files: ours now in the folder (the record's, and the record itself);
  // new_files: the release's files to copy from the release folder. 0, or
  // the error and its file in at, with everything put back as it was.
  DWORD put(const std::vector<std::u16string>& old_files,
            const std::vector<std::u16string>& new_files, std::u16string_view version,
            std::filesystem::path& at);
  DWORD commit(std::filesystem::path& at);
  DWORD roll_back(std::filesystem::path& at);

 private:
  std::filesystem::path from_, folder_;
  bool open_ = false;
};

}  // namespace korvane::install
