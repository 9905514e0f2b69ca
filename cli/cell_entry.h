// What a cell holds when a text is typed into it, and what a cell shows.
//
// The command-line tool takes worksheet arguments as texts, the way a
// bookkeeper types them into the cells of a bet book, and gives each its type
// the one way every command shares (a row settled in a book and the same row
// given to `korvane call` are the same call):
//   - nothing at all: an empty cell;
//   - a leading apostrophe: the text after it, whatever it looks like ('08);
//   - TRUE / FALSE in any case: a boolean;
//   - one of the seven error names (#N/A, #VALUE!, ...) in any case: that error;
//   - a number (spaces around, a sign, digits with "," thousands groups, a
//     decimal point, an exponent, a trailing %): a Double, unless it is
//     written with a leading zero before another digit (08, 05, 00): the
//     sheets keep lottery numbers as texts, and the settlement functions
//     compare them as texts, so 08 stays the text "08" where Excel's own cell
//     entry would make it 8;
//   - anything else: a text, exactly as typed.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvane::cli {

Variant cell_entry(std::u16string_view typed);

// The value as a cell in General format shows it: an empty value as 0,
// numbers with up to 15 significant digits, booleans as TRUE / FALSE, errors
// by name; a reference shows the value it holds, an array its first cell.
std::u16string shown(const Variant& v);

// Columns a text takes on a terminal: Chinese characters take two.
std::size_t display_columns(std::u16string_view s);

}  // namespace korvane::cli
