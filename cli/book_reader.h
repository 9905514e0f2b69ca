// Reading a bet book: its lines as they arrive, and the encoding they are in.
//
// This room turns the bytes of a book (a file, a pipe, standard input; see
// BookInput for UTF-16 and files that are not books) into physical lines with
// their line ends and numbers, and decides in the same pass whether the book
// is UTF-8 or GB18030 (GBK), so that a book on a pipe is settled as it
// arrives. It knows lines, line ends and encodings only: what a line means
// (CSV fields, rows, calls) belongs to the record splitter and the settler,
// which read it from here. It may touch cli/book_input and cli/encoding.
//
// Memory does not grow with the book: it is read once, line by line, and a
// line longer than kMaxRecord is not held.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/book_input.h"

namespace korvane::cli::book {

inline constexpr std::size_t kMaxRecord = std::size_t{1} << 20;

// The UTF-8 byte-order mark, as Excel writes it at the start of a book.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class Encoding { Utf8, Gb18030, Utf16Le, Utf16Be };

constexpr bool is_utf16(Encoding e) noexcept {
  return e == Encoding::Utf16Le || e == Encoding::Utf16Be;
}

struct Detected {
  Encoding encoding = Encoding::Utf8;
  bool bom = false;  // a byte-order mark opens the book (a UTF-16 book always has one)
  // Why, when the choice is not the obvious one (a book mixing UTF-8 and
  // other rows, or a comment line that is not UTF-8 in a UTF-8 book); "" else.
  std::string note;
};

// Reads in as settling does, to where its encoding is decided (see
// BookReader): a book that opens with a byte-order mark is in the encoding
// it marks; one that opens with the UTF-8 byte-order mark, or whose
// rows are UTF-8 as far as the reader looks ahead, is UTF-8; any other is
// GB18030, of which GBK is part. (Settling decides sooner on a book whose
// rows of ASCII leave more results to hold than it holds; see settle().)
Detected detect(std::istream& in);

// A line of spaces and tabs, or one whose first other character is "#": it
// carries no text a function reads.
bool blank(std::string_view s);
bool comment(std::string_view s);

// ---- lines ---------------------------------------------------------------------

// One physical line: its bytes, its line end ("\r\n", "\n", a lone "\r" as
// classic Mac OS wrote them, or "" at the end of the input), its 1-based number.
struct Line {
  std::string_view content;
  std::string_view eol;
  std::size_t number = 0;
  bool overlong = false;  // longer than the reader holds; read it with drain()
};

// The lines of a book as they arrive (see BookInput): a UTF-16 book's lines
// are handed out in UTF-8.
class LineReader {
 public:
  LineReader(std::istream& in, std::size_t max_line = kMaxRecord,
             words::Language language = words::Language::English);

  // Called before the reader waits for more of the book.
  void on_wait(std::function<void()> wait) { input_.on_wait(std::move(wait)); }
  const BookInput& input() const noexcept { return input_; }

  // The next line; false at the end. The views stay valid until the next
  // call. An overlong line is announced (content holds its start) but not
  // consumed: the next call announces it again, until drain() reads it.
  bool next(Line& line);

  // Reads the overlong line next() announced, handing its content to sink in
  // pieces; returns its line end.
  std::string drain(const std::function<void(std::string_view)>& sink);

  // Whether next() would return without waiting for the book: a whole line
  // (or the end) has arrived. Reads what has arrived to tell.
  bool ready();
  // Whether more of the book arrives within ms milliseconds.
  bool arrives_within(int ms) { return input_.arrives_within(ms); }

 private:
  bool fill();  // reads more; false when nothing more came
  std::size_t find_eol(std::size_t from) const;
  bool eol_known(std::size_t p) const;
  std::size_t eol_length(std::size_t p) const;
  std::string_view view(std::size_t from, std::size_t to) const {
    return {buf_.data() + from, to - from};
  }

  BookInput input_;
  std::size_t max_line_;
  std::vector<char> buf_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::size_t scanned_ = 0;  // bytes after begin_ known to hold no line end
  std::size_t number_ = 0;
  bool eof_ = false;
};

// Consecutive lines kept aside to be handed out again, first in first out:
// the reader's buffer they came from moves on. They are kept as the bytes
// they were read from, line ends and all, and split again as they are handed
// out, so that a million one-byte lines cost a megabyte, not a million
// objects. A line handed out stays valid until the next one is, or lines are
// kept.
class KeptLines {
 public:
  bool empty() const noexcept { return at_ == bytes_.size(); }
  // Keeps a line after those kept (the one after the last, by its number).
  void push_back(std::string_view content, std::string_view eol, std::size_t number);
  // Gives back whole lines, line ends and all, that come before those kept;
  // first is the number of the first of them.
  void give_back(std::string_view lines, std::size_t first);
  void pop(Line& line);

 private:
  std::string bytes_;
  std::size_t at_ = 0;      // where the next line to hand out starts
  std::size_t number_ = 0;  // its number
};

// ---- deciding the encoding on the way ---------------------------------------------

// How far the book is read ahead, from the first line that is not ASCII,
// before its encoding is decided.
inline constexpr std::size_t kLookahead = std::size_t{64} << 10;
// How long a pipe that pauses is waited for, its encoding open, before it is
// decided from the rows that came: a row must be settled within a second of
// coming, whatever the encoding.
inline constexpr int kQuietMs = 300;
// The characters beyond ASCII a row of UTF-8 holds that make the book UTF-8
// when its pipe pauses: one or two may be GBK bytes that happen to read as
// UTF-8, several seldom are.
inline constexpr std::size_t kSeveral = 3;

// The lines of a book, its encoding decided in the one pass that reads them,
// so that a book on a pipe is settled as it arrives.
//
// A book that opens with the UTF-8 byte-order mark is UTF-8. Otherwise a line
// of ASCII reads the same in UTF-8 and in GB18030 and is handed out at once,
// the encoding still open. The first line that is not ASCII makes the reader
// hold it and the lines after it, to kLookahead bytes past its start, the end
// of the book or a line longer than kMaxRecord (which is not held, and is
// judged by its first kMaxRecord bytes), and decide: UTF-8 when every row
// read is UTF-8, GB18030 when one is not. Blank and comment lines carry no
// text a function reads, so a stray byte in one does not decide.
//
// A pipe that pauses in the lookahead does not hold the rows that came for
// the rest of it: the reader decides as soon as the rows say enough (one that
// is not UTF-8: GB18030; one of UTF-8 with several characters beyond ASCII:
// UTF-8), or when the pipe has been quiet for kQuietMs, from what came.
//
// The decision holds for the rest of the book, which is written as it is
// read. A line past the lookahead that would have decided otherwise gets a
// note (take_note()): in a UTF-8 book a row that is not UTF-8 does not read,
// and is copied through unreadable.
class BookReader {
 public:
  // language: of the notes, and of the input's refusal.
  explicit BookReader(std::istream& in, words::Language language = words::Language::English)
      : reader_(in, kMaxRecord, language), language_(language) {}

  void on_wait(std::function<void()> wait) { reader_.on_wait(std::move(wait)); }
  const BookInput& input() const noexcept { return reader_.input(); }
  bool arrives_within(int ms) { return reader_.arrives_within(ms); }

  // As LineReader::next. Until the encoding is decided it hands out only
  // lines of ASCII, and lines longer than kMaxRecord whose start is ASCII.
  bool next(Line& line);
  std::string drain(const std::function<void(std::string_view)>& sink) {
    return reader_.drain(sink);
  }

  bool decided() const noexcept { return decided_; }
  // The decision; UTF-8 until it is taken.
  const Detected& detected() const noexcept { return detected_; }
  // Decides now from the lines read so far (at the end of the book, or when
  // the reader of the lines cannot wait any longer).
  void decide();
  // A note on a line past the lookahead that would have decided otherwise,
  // handed out once by take_note().
  bool has_note() const noexcept { return !late_note_.empty(); }
  std::string take_note() { return std::exchange(late_note_, {}); }

 private:
  void read_ahead(const Line& first, std::size_t from);
  // from: where the first byte beyond ASCII is
  void weigh(const Line& line, std::size_t from);
  void weigh_late(const Line& line);
  // In the lookahead: whether to read on, or decide now as the book pauses.
  bool read_on();

  LineReader reader_;
  KeptLines held_;
  std::size_t seen_ = 0;  // the last line weighed (an overlong line is announced until drained)
  // The first line of each kind (0: none yet): a row holding UTF-8 beyond
  // ASCII, a row that is not UTF-8, a blank or comment line that is not.
  std::size_t utf8_row_ = 0;
  std::size_t other_row_ = 0;
  std::size_t other_aside_ = 0;
  bool several_ = false;  // a row of UTF-8 holds kSeveral characters beyond ASCII
  bool decided_ = false;
  Detected detected_;
  std::string late_note_;
  words::Language language_;
};

}  // namespace korvane::cli::book
