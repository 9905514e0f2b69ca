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
// This room is the settler: the flow of a book's rows, the draw in force and
// the results appended. It reads lines from the book reader (which decides
// the encoding), fields from the record splitter, a row as a call by the row
// rules (book_rows.h), bytes as text by book_text.h, and calls the functions
// through the member list; it counts what it settles in the summary
// (book_summary.h) and hands it to the settled output (which holds it back
// while the book's encoding is open). It may touch those rooms, the cell
// entry, the encodings and the core; the lottery's rule for a well-formed
// draw is 验证's, in bets/.
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
#include "cli/book_summary.h"
#include "cli/record_splitter.h"
#include "words/language.h"

namespace korvane::cli::book {

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

}  // namespace korvane::cli::book
