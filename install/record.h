// The record of an installation folder: korvane-files.txt.
//
// An installation folder may hold the user's own files beside ours (a
// bookkeeper keeps 2025年账本.xlsx next to the add-in), so nothing of ours
// ever removes a folder whole: every folder we install into holds a record of
// exactly the files we put there, and an upgrade, a repair or an uninstall
// moves aside or deletes those files and no others, and a folder only once it
// is empty. The record lists itself implicitly.
//
// The file is Windows text a person can open in Notepad: UTF-16LE with a
// byte-order mark, CRLF line ends; a line starting with ';' is a comment (the
// first says which version wrote it); every other line is one path relative
// to the folder, with backslashes (x64\korvane.dll, 使用说明.txt). A path that
// could reach outside the folder (a drive, a root, "..", a stream) makes the
// whole record unreadable: a damaged or planted record must never lead us to
// delete something elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::install {

inline constexpr std::u16string_view kRecordName = u"korvane-files.txt";

// Whether a relative path names a file inside its folder: not empty, no drive
// or root, no "." or ".." part, no empty part, no character Windows forbids
// in a name (':' would name a stream), no trailing dot or space in a part
// (Windows drops them, so the name would be another file's).
bool stays_inside(std::u16string_view path);

// The files of a record, or nullopt when the bytes are not a readable record
// (no byte-order mark, an odd number of bytes, a path that leaves the folder).
// Blank lines and comments are skipped; '/' is read as '\'; each path once.
std::optional<std::vector<std::u16string>> parse_record(std::string_view bytes);

// The bytes of the record for files, written by a version.
std::string format_record(std::u16string_view version, const std::vector<std::u16string>& files);

// Whether two relative paths name the same file, as Windows compares names
// (case-insensitive, '/' and '\' alike).
bool same_file_name(std::u16string_view a, std::u16string_view b);

}  // namespace korvane::install
