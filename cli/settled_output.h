// The settled book on its way out: the lines the settler has settled, held
// back while the book's encoding is still open, and written in the output's
// encoding.
//
// Until the book reader decides a book's encoding it hands out lines of ASCII
// only, which read and copy the same in UTF-8 and in GB18030; only a result or
// a reason appended to one may not be ASCII. When the settled book is written
// in the book's own encoding, the settled lines from the first such result on
// are held (in UTF-8 for now, turned into GB18030 if that is what the book
// turns out to be), and so are the reports on the rows, so that a note on the
// encoding comes before the reports it concerns. Neither is held past
// kMaxRecord bytes: the settler then has the encoding decided from the lines
// read so far.
//
// A settled book written in UTF-16 is assembled in UTF-8 and turned into
// UTF-16 on the way out, with the mark first if the book did not bring one.
//
// This room knows nothing of rows, bets or draws: the settler appends bytes and
// reports to it, and tells it when the encoding is decided.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/book_reader.h"
#include "cli/encoding.h"
#include "cli/utf16.h"

namespace korvane::cli::book {

class SettledOutput {
 public:
  // asked: the encoding asked for the settled book; none for the book's own.
  // gb converts what is held when the book turns out to be GB18030.
  SettledOutput(std::ostream& out, std::ostream& diagnostics, std::optional<Encoding> asked,
                Gb18030& gb);

  // The encoding of the bytes appended: the output's, UTF-8 where it is UTF-16.
  Encoding buffered() const { return is_utf16(output_) ? Encoding::Utf8 : output_; }
  // The settled bytes not yet written, in buffered(): the settler appends here.
  std::string& bytes() { return buf_; }
  // A result or reason that is not ASCII was appended at from: while the
  // encoding is open, it and what follows it wait for the book's encoding.
  void not_ascii_from(std::size_t from);

  // Where a row is reported: held while the encoding is open.
  std::ostream& report() { return open_ || stopped_ ? held_reports_ : diagnostics_; }

  // Whether the encoding is still open, and whether settled bytes wait for it.
  bool open() const { return open_; }
  bool holding() const { return held_from_ != std::string::npos; }
  // Whether what is held has grown to kMaxRecord bytes, and the encoding
  // must be decided now.
  bool must_decide() const;
  // The book's encoding is decided: the settled book takes it unless another
  // was asked for, and what was held goes out, note (a line on the encoding,
  // or "") before the held reports.
  void decide(Encoding book, std::string_view note);
  // The book cannot be written (its encoding has no converter here): nothing
  // more goes out, the held reports included.
  void stop();
  bool stopped() const { return stopped_; }

  // Writes the settled bytes that are not held.
  void write();
  // Held reports past kMaxRecord bytes go out before the note they wait for.
  void bound_reports();
  // The book waits for more rows: what is settled goes out now, and the
  // streams are flushed, to the screen or the pipe after them.
  void write_ready();
  // Bytes straight to the output (the rest of a line too long to hold), after
  // what was settled before them.
  void pass_on(std::string_view bytes) { emit(bytes); }
  // The end of the book: what a UTF-16 output still waits for.
  void finish();

 private:
  void emit(std::string_view bytes);
  void release_reports();

  std::ostream& out_;
  std::ostream& diagnostics_;
  const std::optional<Encoding> asked_;
  Gb18030& gb_;
  Encoding output_;
  bool open_ = true;
  bool stopped_ = false;
  std::string buf_;
  std::size_t held_from_ = std::string::npos;  // buf_ from here waits for the encoding
  std::ostringstream held_reports_;
  std::optional<Utf16Encoder> wide_;  // a settled book written in UTF-16
  bool wide_started_ = false;
  std::string wide_buf_;
  bool unflushed_ = false;  // written since the output was last flushed
};

}  // namespace korvane::cli::book
