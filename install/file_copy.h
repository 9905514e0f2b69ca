// Putting one file in place, and asking whether one can go, with the Windows
// API only.
//
// std::filesystem::copy_file takes two files with the same st_ino for one,
// and st_ino is 0 for every file on Windows: copying over an existing file on
// the same drive fails with "not the same device". Here a file is copied to a
// temporary name beside its target (CopyFileW) and then renamed over it
// (MoveFileExW): the target is either the old file or the whole new one, and
// a copy cut short leaves only the temporary name, which the journal clears.
// Every function returns a Windows error code, 0 on success.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string_view>

namespace korvane::install {

// The temporary name a file is copied to before it replaces its target.
std::filesystem::path temporary_name(const std::filesystem::path& target);

// Copies from to target, replacing it, without the read-only flag (it would
// stop the next upgrade) and without the Mark of the Web.
DWORD copy_replacing(const std::filesystem::path& from, const std::filesystem::path& target);

// Writes bytes to target the same way: a temporary file, then a rename.
DWORD write_replacing(const std::filesystem::path& target, std::string_view bytes);

// The whole of a file, or an error code.
DWORD read_whole(const std::filesystem::path& file, std::string& bytes);

// Why a file could not be deleted or replaced now, or 0: opened for writing
// and deleting with no sharing, it fails while anyone (Excel's loaded XLL or
// DLL) holds it. A read-only flag is no reason: it is looked past, and kept.
DWORD cannot_remove(const std::filesystem::path& file);

// Makes every folder of a path; 0 when it is there.
DWORD make_folders(const std::filesystem::path& folder);

void set_read_only(const std::filesystem::path& file, bool on);

// Takes a download's Mark of the Web off a file (its Zone.Identifier stream).
void unblock(const std::filesystem::path& file);

}  // namespace korvane::install
