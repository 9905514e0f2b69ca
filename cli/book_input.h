// The bytes of a bet book as they arrive, before they are split into lines.
//
// A book on a pipe (`tail -f book | korvane settle -`) comes a few rows at a
// time: a read hands out what has arrived and waits only when nothing has,
// so each row is settled as it comes. Before it waits, the reader says so
// (on_wait), so that what is settled can be written out first.
//
// The first bytes tell what the file is. A book that opens with a UTF-16
// byte-order mark (Excel's "Unicode 文本") is handed out as UTF-8, its mark
// included (see utf16.h). A file that is not a text book at all, an Excel
// workbook or UTF-16 without a mark, is named for what it is, and nothing
// of it is handed out: a list of rows that do not read would only hide what
// is wrong.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <streambuf>
#include <string>

#include "cli/utf16.h"
#include "words/language.h"

namespace korvane::cli::book {

// A stream buffer that can wait a limited time for its next bytes: standard
// input, which may be a pipe that pauses (`tail -f book.csv`). A book read
// through one is settled as it comes even while its encoding is open (see
// BookReader); any other stream never pauses, its bytes are all there.
class PausingBuf : public std::streambuf {
 public:
  // Whether bytes arrive, or the input ends, within ms milliseconds.
  virtual bool arrives_within(int ms) = 0;
};

class BookInput {
 public:
  enum class Form { Bytes, Utf16Le, Utf16Be };

  // language: of the refusal.
  explicit BookInput(std::istream& in, words::Language language = words::Language::English);

  // Called before a read that would wait for more of the book.
  void on_wait(std::function<void()> wait) { wait_ = std::move(wait); }

  // Whether read() would hand out bytes, or say the book has ended, without
  // waiting. Always, on a stream that never pauses.
  bool ready();
  // Whether bytes arrive (or the book ends) within ms milliseconds; at once,
  // on a stream that never pauses.
  bool arrives_within(int ms) { return !pausing_ || pausing_->arrives_within(ms); }

  // Up to room bytes of the book into to: what has arrived, waiting only
  // when nothing has. 0 at the end of the book (or of what is handed out).
  std::size_t read(char* to, std::size_t room);

  // What the book is, known after the first read.
  Form form() const noexcept { return form_; }
  // Why the file is not read as a book ("looks like ..."); "" when it is.
  const std::string& refusal() const noexcept { return refusal_; }
  // A UTF-16 book ended in half a code unit, which was dropped.
  bool odd_byte() const noexcept { return odd_byte_; }

 private:
  std::size_t pull(char* to, std::size_t room);
  void sniff();
  std::size_t decoded(char* to, std::size_t room);

  std::istream& in_;
  words::Language language_;
  PausingBuf* pausing_;  // null: the stream never pauses
  std::function<void()> wait_;
  bool sniffed_ = false;
  bool end_ = false;   // the stream has ended
  std::string start_;  // the bytes read to tell what the file is, not handed out yet
  std::string utf8_;   // UTF-8 of a UTF-16 book not handed out yet
  std::string raw_;    // UTF-16 bytes read, a block at a time
  std::optional<Utf16Decoder> decoder_;
  Form form_ = Form::Bytes;
  std::string refusal_;
  bool odd_byte_ = false;
};

// Why bytes that open a file show it is not a text book ("looks like ...");
// "" when they do not. at_end: nothing follows them.
std::string not_a_book(std::string_view start, words::Language language = words::Language::English);

}  // namespace korvane::cli::book
