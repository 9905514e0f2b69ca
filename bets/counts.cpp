// TEMA, TEMAL and 求和1: counting a code in a bet text.
//
// A bet text lists the numbers a customer backed, such as "07 15 07 33"; a
// number backed twice is written twice. The sheets count a code the way
// their formulas always did: the length of the text minus its length with
// every occurrence of the code replaced by one character. For a two-digit
// number that is the number of times it was backed.
//
// These functions fail the whole call on the first step that cannot be
// carried out; the cell then shows #VALUE!.
#include <cstdint>
#include <limits>

#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// A length difference is a Long in the sheets' arithmetic.
Maybe<Numeric> count_as_long(std::size_t n) noexcept {
  if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
  return Numeric{static_cast<double>(n), Numeric::Width::Long};
}

}  // namespace

Variant 自定义函数::TEMA(const Variant& a, const Variant& b, const Variant& m,
                         const Variant& /*易失*/) {
  Variant result;  // stays empty unless m > 0; the cell shows 0
  if (need(greater_than(m, 0))) {
    const Text bets = need(text(a));
    const Text code = need(text(b));
    result = to_variant(need(count_as_long(count_code(bets, code))));
  }
  return result;
}

// A list of k two-digit numbers with single spaces between them is 3k - 1
// characters long; any other length gives a fraction, which tells the
// bookkeeper the list is malformed.
Variant 自定义函数::TEMAL(const Variant& y) {
  const Text list = need(text(y));
  return Variant(static_cast<double>(trim_spaces(list).size() + 1) / 3);
}

Variant 自定义函数::求和1(const Variant& r, const Variant& 条件, const Variant& 收入,
                          const Variant& 赔率, const Variant& /*易失*/) {
  const Text bets = need(text(r));
  const Text code = need(text(条件));
  const Numeric hits = need(count_as_long(count_code(trim_spaces(bets), code)));
  const Numeric stake_times_odds = need(multiply(need(numeric(收入)), need(numeric(赔率))));
  const Numeric amount = need(multiply(stake_times_odds, hits));
  // Both tests are made, as the sheets made them: an error value in either
  // fails the call even when the other says the draw is undrawn.
  const bool special_undrawn = need(equals_text(t, u"00"));
  const bool first_undrawn = need(equals_text(p[0], u"00"));
  if (special_undrawn || first_undrawn) return Variant::integer(0);
  return to_variant(amount);
}

}  // namespace korvane
