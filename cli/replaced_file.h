// A file that is replaced whole, or not at all: how `settle -o OUT` writes.
//
// A bookkeeper settles into the file they settled into yesterday, on a disk
// that may fill, at a terminal they may close, sometimes twice at once. So
// OUT is never written in place. A new file is written beside it (in OUT's
// folder, so on its disk, where a rename is one step), flushed to the disk,
// and renamed over OUT only when everything was written (commit()). Until
// then OUT is exactly as it was, and absent stays absent; a run that fails,
// is refused or is stopped (Ctrl-C, SIGTERM, a closed terminal) removes its
// new file, and nothing else. Of two runs into one OUT, each writes its own
// new file, and OUT ends as the whole book of the one that renamed last.
//
// OUT keeps what it was: its permissions (and owner, where the system lets
// us) on Linux; its attributes and access list on Windows, where ReplaceFileW
// swaps the files. A link to a book replaces the book it links to, not the
// link. What is not a file on disk (/dev/null, a pipe, NUL) has nothing to
// replace and is written directly.
#pragma once

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>

#include "words/tool.h"

namespace korvane::cli {

// Bytes to a file descriptor, a buffer at a time, remembering the first
// write that failed (a full disk, a file size limit) and writing nothing
// after it.
class DescriptorBuf : public std::streambuf {
 public:
  DescriptorBuf() { setp(buf_, buf_ + sizeof buf_); }
  void attach(int fd) { fd_ = fd; }
  // Writes what is buffered; false when this or an earlier write failed.
  bool drain();
  // errno of the write that failed; 0 when none did.
  int error() const noexcept { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override { return drain() ? 0 : -1; }

 private:
  static constexpr std::size_t kSize = std::size_t{64} << 10;
  int fd_ = -1;
  int error_ = 0;
  char buf_[kSize];
};

class ReplacedFile {
 public:
  // path: the file to replace, its name in UTF-8 (file_path()). Nothing is
  // created until open(). shown: its name as a person reads it (the path
  // when empty), and
  // language that of error().
  explicit ReplacedFile(std::string path, words::Language language = words::Language::English,
                        std::string shown = {})
      : path_(std::move(path)),
        shown_(shown.empty() ? path_ : std::move(shown)),
        language_(language) {}
  // Removes the new file when it was not committed.
  ~ReplacedFile() { discard(); }
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

  // Creates the new file beside the path; false, with error(), when it cannot
  // (no such folder, no right to write the file or its folder).
  bool open();
  // Where the new contents go.
  std::ostream& stream() { return stream_; }
  // Writes what is buffered, flushes it to the disk and puts the new file in
  // the path's place; false, with error(), when any step failed, and then the
  // path is as it was and the new file is gone.
  bool commit();
  // Removes the new file; the path is left as it was.
  void discard();

  // Why open() or commit() failed, for a person: what could not be done to
  // which file, and why.
  const std::string& error() const noexcept { return error_; }
  // The new file's path while it exists ("" else, and when writing directly).
  const std::string& new_path() const noexcept { return new_path_; }

 private:
  bool fail(words::Tool what, const std::string& why);
  std::string say(words::Tool what, std::initializer_list<std::string_view> args = {}) const {
    return words::say(what, language_, args);
  }
  bool open_new(const std::string& target);
  bool put_in_place();

  std::string path_;
  std::string shown_;
  words::Language language_;
  std::string target_;    // the file actually replaced (a link's target)
  std::string new_path_;  // the new file, until it is renamed or removed
  int fd_ = -1;
  bool direct_ = false;  // not a file on disk: written in place
  bool armed_ = false;   // a stop removes the new file
  std::string error_;
  DescriptorBuf buf_;
  std::ostream stream_{&buf_};
};

}  // namespace korvane::cli
