// What settling a bet book found, counted: the rows read, settled, failed,
// unreadable or left without a draw, and per function the rows that called
// it and the total of their results; and the summary the tool prints of it.
//
// The totals are the bookkeeper's check against the sheet: they add the
// results as the settled book shows them (decimal_sum.h), so that a column
// summed in Excel and the tool's total agree to the last digit. The rows that
// failed or ran over several lines are named, the first few, so that the
// bookkeeper can go and look.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "cli/decimal_sum.h"
#include "core/custom_functions.h"
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

// A call of the function at member (its index in korvane::functions())
// counted: settled or failed, and a number it gave added to the function's
// total as the settled book shows it (result).
void tally(Summary& summary, std::size_t member, const CallResult& r, std::u16string_view result);

// The summary as the tool prints it: counts, the failed rows, then rows and
// totals per function.
void write_summary(const Summary& summary, std::ostream& out,
                   words::Language language = words::Language::English);

}  // namespace korvane::cli::book
