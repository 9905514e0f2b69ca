// The frame every regular-number bet shares: the result preset from 易失 (step
// 1), the undrawn-draw test that closes it, and what a bet whose selection has
// no text form gives.
#pragma once

#include "bets/text_matching.h"
#include "core/conventions.h"
#include "core/custom_functions.h"
#include "core/text.h"
#include "core/variant.h"

namespace korvane {

namespace bet {

// What `result := 0` stores: the worksheets' literal 0, an Integer.
inline Variant zero() { return Variant::integer(0); }

// Step 1 of every bet. The result starts as 0 when the value of 易失 is
// greater than 1, or cannot be compared with a number; otherwise empty.
Variant preset(const Variant& 易失);

// The undrawn-draw test that closes every bet but the chain bet: "00" as the
// special number or the first regular number marks a draw that has not taken
// place, and such a draw settles nothing.
inline bool reads_undrawn(const Variant& v) {
  // A text (the drawn numbers 验证 cuts) is compared where it stands.
  return v.is_string() ? v.string_view() == u"00" : holds(equals_text(v, u"00"));
}
inline void undrawn_draw(const Draw& draw, Variant& result) {
  if (reads_undrawn(draw.t) || reads_undrawn(draw.p[0])) result = zero();
}

// A bet whose type or backed selection has no text form (an error value from a
// lookup, a block of cells, an array) is not settled: read step by step it
// would count every test on it as met and pay up to seven times 收入 on an
// input that failed. The preset of step 1 stands, and the undrawn-draw test
// still applies.
inline Variant not_settled(const Draw& draw, Variant result) {
  undrawn_draw(draw, result);
  return result;
}

// The count N a bet type spells (平特二尾: 二 at position 3), read from the
// character at 1-based position `first` and then from the one at `then`,
// which overrides it. A position beyond the end of a short type reads as 一;
// a character that is no numeral leaves N as it was, so N stays unset when
// neither place holds one.
inline Maybe<double> type_count(std::u16string_view type, std::size_t first, std::size_t then) {
  Maybe<double> n;
  for (const std::size_t position : {first, then}) {
    if (const Maybe<int> count = numeral_count(char_at(type, position))) n = *count;
  }
  return n;
}

// 收入 copied unchanged: a text stays a text, an Integer an Integer; a cell
// reference gives the cell's value.
inline Variant copied(const Variant& 收入) { return value_of(收入); }

}  // namespace bet
}  // namespace korvane
