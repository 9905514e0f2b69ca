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
// This room is the settler: the rows of a book, the draw in force, the
// results appended and the summary. It reads lines from the book reader
// (which decides the encoding), fields from the record splitter, and calls
// the functions through the member list, and hands what it settles to the
// settled output (which holds it back while the book's encoding is open). It
// may touch those rooms, the cell entry, the encodings and the core; the
// lottery's rule for a well-formed draw is 验证's, in bets/.
//
// Memory does not grow with the book: it is read once, line by line, and a
// record (or a line) longer than kMaxRecord is not held.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/book_reader.h"
#include "cli/decimal_sum.h"
#include "cli/record_splitter.h"
#include "words/language.h"

namespace korvane::cli::book {

struct FunctionTally {
  std::size_t rows = 0;     // rows that called the function
  std::size_t numeric = 0;  // of which gave a number (an empty result counts as 0)
  DecimalSum total;         // the sum of those numbers, as the book shows them
};

struct Summary {
  std::size_t rows_read = 0;   // rows other than blank and comment lines
  std::size_t settled = 0;     // calls that gave a result
  std::size_t failed = 0;      // calls that failed (#VALUE!)
  std::size_t unreadable = 0;  // rows copied through with the reason
  std::size_t no_draw = 0;     // bets not settled for want of a draw
  std::size_t warnings = 0;    // rows settled but reported
  // 验证 rows that loaded a draw no lottery can draw, and the bets settled
  // against such a draw: the run needs a look.
  std::size_t malformed_draws = 0;
  std::size_t on_malformed_draw = 0;
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
// without a draw, were settled against a draw no lottery can draw or ran over
// several lines, or the book ended in half a character.
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
//
// The reports, and the notes appended to the rows (a row that could not be
// read, a bet without a draw), are in language: the settled book is the
// bookkeeper's, and reads in their language.
Summary settle(std::istream& in, std::ostream& out, std::ostream& diagnostics,
               std::string_view name, std::optional<Encoding> output = std::nullopt,
               words::Language language = words::Language::English);

// The summary as the tool prints it: counts, the failed rows, then rows and
// totals per function.
void write_summary(const Summary& summary, std::ostream& out,
                   words::Language language = words::Language::English);

}  // namespace korvane::cli::book
