// Settling a bet book: a CSV file of worksheet calls, one per row, settled
// top to bottom against the draw its 验证 rows load, as the sheet it was
// saved from would be.
//
// A row is a function name followed by its arguments, without the trailing
// 易失; each row after a 验证 row gets a reference to that row's result as
// its 易失, as a sheet's rows refer to the draw cell. The settled book is the
// input, row for row and byte for byte, with the result of each row appended
// as one more field, written in the book's own encoding. Blank lines and "#"
// comment lines pass through. A row that cannot be read is copied through
// with the reason appended and reported with its line number; the book goes
// on.
//
// Bookkeepers join books (`cat week1.csv week2.csv`), so a byte-order mark
// at the start of a later line starts a joined book: the mark is dropped,
// reported, and the draw is forgotten until the joined book loads its own.
//
// The CSV reading follows RFC 4180 as Excel writes it: fields separated by
// commas, a field in double quotes may hold commas, line breaks and doubled
// quotes. A UTF-16 book (Excel's "Unicode 文本") is read the same way, its
// fields separated by tabs when its first row holds more tabs than commas.
// It is written here rather than taken from a library because the book must
// be copied through byte for byte, rows that do not read must be skipped and
// the rest still settled, and the same code must build for Windows; the CSV
// libraries Debian carries do none of the first two, and ship no Windows
// build.
//
// Memory does not grow with the book: it is read once, line by line, and a
// record (or a line) longer than kMaxRecord is not held.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/book_input.h"

namespace korvane::cli::book {

inline constexpr std::size_t kMaxRecord = std::size_t{1} << 20;

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

// ---- reading CSV ---------------------------------------------------------------

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
  LineReader(std::istream& in, std::size_t max_line = kMaxRecord);

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
// The decision holds for the rest of the book, which is written as it is
// read. A line past the lookahead that would have decided otherwise gets a
// note (take_note()): in a UTF-8 book a row that is not UTF-8 does not read,
// and is copied through unreadable.
class BookReader {
 public:
  explicit BookReader(std::istream& in) : reader_(in) {}

  void on_wait(std::function<void()> wait) { reader_.on_wait(std::move(wait)); }
  const BookInput& input() const noexcept { return reader_.input(); }

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

  LineReader reader_;
  KeptLines held_;
  std::size_t seen_ = 0;  // the last line weighed (an overlong line is announced until drained)
  // The first line of each kind (0: none yet): a row holding UTF-8 beyond
  // ASCII, a row that is not UTF-8, a blank or comment line that is not.
  std::size_t utf8_row_ = 0;
  std::size_t other_row_ = 0;
  std::size_t other_aside_ = 0;
  bool decided_ = false;
  Detected detected_;
  std::string late_note_;
};

// Splits one CSV record into fields, fed one physical line at a time.
class RecordSplitter {
 public:
  enum class Status { Complete, NeedMore, Malformed };

  // The byte between fields: a comma, or a tab.
  void separate_by(char separator) noexcept { separator_ = separator; }
  void reset();
  // Feeds one line with its line end; a quoted field open at the line end
  // takes the line end into its value and needs the next line.
  Status feed(std::string_view content, std::string_view eol);

  std::size_t size() const noexcept { return bounds_.size(); }
  std::string_view field(std::size_t i) const {
    return std::string_view(data_).substr(bounds_[i].first, bounds_[i].second);
  }
  const char* problem() const noexcept { return problem_; }

 private:
  enum class State { FieldStart, Unquoted, Quoted, QuoteInQuoted };
  void end_field();

  State state_ = State::FieldStart;
  std::string data_;  // the unquoted bytes of every field, one after another
  std::vector<std::pair<std::size_t, std::size_t>> bounds_;
  std::size_t field_begin_ = 0;
  const char* problem_ = "";
  char separator_ = ',';
};

// ---- settling ------------------------------------------------------------------

struct FunctionTally {
  std::size_t rows = 0;     // rows that called the function
  std::size_t numeric = 0;  // of which gave a number (an empty result counts as 0)
  double total = 0;         // the sum of those numbers
};

// What a bet row that reads the draw gets instead of a result when no draw is
// loaded: before the first 验证 row, or after a 验证 row that could not be read.
inline constexpr std::string_view kNoDraw = "no draw";

struct Summary {
  std::size_t rows_read = 0;             // rows other than blank and comment lines
  std::size_t settled = 0;               // calls that gave a result
  std::size_t failed = 0;                // calls that failed (#VALUE!)
  std::size_t unreadable = 0;            // rows copied through with the reason
  std::size_t no_draw = 0;               // bets not settled for want of a draw
  std::size_t warnings = 0;              // rows settled but reported
  std::size_t passed = 0;                // blank and comment lines
  std::vector<std::string> failed_rows;  // "NAME:LINE" of the first failed calls
  std::vector<FunctionTally> by_member;  // indexed like korvane::functions()
  // Rows settled from one record that runs over several lines, almost always
  // a stray double quote that swallowed the rows after it: a look is needed.
  std::size_t multiline = 0;
  std::vector<std::string> multiline_rows;  // "NAME:FIRST-LAST" of the first of them
  std::size_t joined = 0;                   // later lines that start a joined book
  // The book is GB18030 and this system has no converter: settling stopped
  // where that was decided.
  bool no_converter = false;
  // Why the file is not read as a book at all ("looks like an .xlsx
  // workbook: ..."); nothing was written. "" for a book.
  std::string not_a_book;
  // A UTF-16 book ends in half a character (one odd byte), which is dropped.
  bool odd_byte = false;
};

// Whether the rows of the summary call for a look: some did not read, went
// without a draw or ran over several lines, or the book ended in half a
// character.
bool needs_a_look(const Summary& summary);

// How many failed (or multi-line) rows the summary names; the rest are counted.
inline constexpr std::size_t kFailedRowsNamed = 20;

// Settles the book in into out, reading it once, as it arrives. Each
// unreadable row, each bet left without a draw and each warning is reported on
// diagnostics as "NAME:LINE: reason" (LINE-LINE for a row over several lines);
// a note on the book's encoding as "NAME: note", before the reports on the
// rows it concerns. The copied lines and the appended results are written in
// output, by default the book's own encoding (a UTF-16 book's with its mark,
// and so is any book written in UTF-16): until it is decided, the
// settled rows of ASCII from the first result that is not ASCII on are held,
// to at most kMaxRecord bytes, then the encoding is decided from the rows
// read (as it is before a line longer than that, which is not held).
Summary settle(std::istream& in, std::ostream& out, std::ostream& diagnostics,
               std::string_view name, std::optional<Encoding> output = std::nullopt);

// The summary as the tool prints it: counts, the failed rows, then rows and
// totals per function.
void write_summary(const Summary& summary, std::ostream& out);

}  // namespace korvane::cli::book
