#include "bets/bet_frame.h"

namespace korvane {

namespace bet {
namespace {

// Numeric coercion reads a text only when, after leading spaces, it starts
// with a sign, a digit or a point.
bool cannot_be_number(std::u16string_view s) noexcept {
  s = trim(s);
  if (s.empty()) return true;
  const char16_t c = s.front();
  return !(c == u'+' || c == u'-' || c == u'.' || is_digit(c));
}

}  // namespace

Variant preset(const Variant& 易失) {
  Variant result;
  // The value of 易失 is normally 验证's confirmation text: a text that fails
  // the comparison at its first character is settled without reading it all.
  const Maybe<bool> above_one = with_value(易失, [](const Variant& v) -> Maybe<bool> {
    if (v.is_string() && cannot_be_number(v.string_view())) return std::nullopt;
    return greater_than(v, 1);
  });
  if (holds(above_one)) result = zero();
  return result;
}

}  // namespace bet
}  // namespace korvane
