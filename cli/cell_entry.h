// What a cell holds when a text is typed into it, and what a cell shows.
//
// The command-line tool takes worksheet arguments as texts, the way a
// bookkeeper types them into cells, and gives each the type Excel would:
//   - nothing at all: an empty cell;
//   - a leading apostrophe: the text after it, whatever it looks like ('08);
//   - TRUE / FALSE in any case: a boolean;
//   - one of the seven error names (#N/A, #VALUE!, ...) in any case: that error;
//   - a number (spaces around, a sign, digits with "," thousands groups, a
//     decimal point, an exponent, a trailing %): a Double;
//   - anything else: a text, exactly as typed.
// A bet book keeps lottery numbers as texts: there a number written with a
// leading zero before another digit (08, 05, 00) stays a text as well.
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvane::cli {

enum class EntryRule {
  Sheet,  // typed into a cell
  Book,   // read from a bet book: lottery numbers such as 08 stay texts
};

Variant cell_entry(std::u16string_view typed, EntryRule rule);

// The value as a cell in General format shows it: an empty value as 0,
// numbers with up to 15 significant digits, booleans as TRUE / FALSE, errors
// by name; a reference shows the value it holds, an array its first cell.
std::u16string shown(const Variant& v);

// Columns a text takes on a terminal: Chinese characters take two.
std::size_t display_columns(std::u16string_view s);

}  // namespace korvane::cli
