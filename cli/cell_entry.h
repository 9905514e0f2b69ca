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

#include "core/custom_functions.h"
#include "core/variant.h"

namespace korvane::cli {

Variant cell_entry(std::u16string_view typed);

// Whether a parameter carries numbers of the draw a front end loads: the
// regular numbers or the special number (the year is a number).
constexpr bool is_lottery_numbers(const Param& p) noexcept {
  return p.part == DrawPart::Numbers || p.part == DrawPart::Special;
}

// What the command-line tool passes for the numbers of a draw it loads: they
// are lottery numbers, texts, and a number is kept as the text it was
// written ("18" stays "18", where a cell would hold the number 18 and a bet
// comparing it as text with "18" would not match; "8" stays "8", which a
// well-formed draw then refuses). Anything else is typed as cell_entry types
// it. The add-in in a sheet passes what the cell holds.
Variant draw_entry(std::u16string_view typed);

// The value as a cell in General format shows it: an empty value as 0,
// numbers with up to 15 significant digits, booleans as TRUE / FALSE, errors
// by name; a reference shows the value it holds, an array its first cell.
std::u16string shown(const Variant& v);

// Columns a text takes on a terminal: Chinese characters take two.
std::size_t display_columns(std::u16string_view s);

}  // namespace korvane::cli
