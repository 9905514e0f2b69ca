// This Windows and this release, as the installer finds them: whether
// Windows is 64-bit, where the zip route installs, which folder the running
// korvane.exe belongs to, whether two spellings name one file, and the Mark
// of the Web a download leaves on a file.
//
// A user types a folder with any drive letter, case or short name, and
// Windows hands the running program's path in yet another; every question of
// "is this the same place" is asked of Windows' identity of the file, never of
// the spelling alone.
#pragma once

#include <filesystem>

namespace korvane::install {

bool windows_is_64_bit();

// Where the zip route installs every version: one folder per version.
std::filesystem::path base_folder(bool machine);

// The running korvane.exe.
std::filesystem::path own_exe();

// Whether a folder holds a release: the list's file that marks one.
bool is_release(const std::filesystem::path& folder);

// The file of the release list that marks a folder as a release, as a path
// in it ('\' between folders).
const wchar_t* release_marker();

// The release folder: this korvane.exe's, or (the 32-bit one) the one above.
std::filesystem::path release_folder();

// Whether two paths name the same file or folder, whatever the drive letter,
// case or short name they are written with.
bool same_path(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether file is folder or inside it, by spelling or by Windows' identity of
// the folders on its way up.
bool inside(const std::filesystem::path& file, const std::filesystem::path& folder);

// The user's temporary folder.
std::filesystem::path temp_folder();

// Whether a file carries a download's Mark of the Web from the internet zone
// on, with which Excel refuses to load an XLL.
bool blocked(const std::filesystem::path& file);

}  // namespace korvane::install
