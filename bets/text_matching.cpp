#include "bets/text_matching.h"

#include <cstring>

#include "bets/bet_frame.h"

namespace korvane {

// e is not inside x: the first place where e starts in x and runs on into the
// appended copy of e. The start at len(x) always matches, so the join itself is
// never built: the search reads the tail of x and then e.
std::size_t sentinel_position_across(std::u16string_view e, std::u16string_view x) noexcept {
  const std::size_t lo = x.size() >= e.size() ? x.size() - e.size() + 1 : 0;
  const std::u16string_view tail = x.substr(lo);
  const auto joined = [tail, e](std::size_t i) {
    return i < tail.size() ? tail[i] : e[i - tail.size()];
  };
  const auto entry = [e](std::size_t i) { return e[i]; };
  return lo + find_linear(joined, tail.size() + e.size(), entry, e.size()) + 1;
}

IndexedText::IndexedText(std::u16string_view x) noexcept : text_(x) {
  // Positions are kept in a byte: a longer text is searched directly.
  if (x.size() >= 255) return;
  indexed_ = true;
  std::memset(first_, 0, sizeof first_);
  for (std::size_t i = x.size(); i-- > 1;) {  // from the end: the first place wins
    const unsigned hi = x[i - 1] - unsigned{u'0'};
    const unsigned lo = x[i] - unsigned{u'0'};
    first_[hi < 10 && lo < 10 ? hi * 10 + lo : 100] = static_cast<std::uint8_t>(i);
  }
}

void JoinedText::spill(std::u16string_view s) {
  if (!spilled_) {
    big_.assign(small_, size_);
    spilled_ = true;
  }
  big_.append(s);
}

void join(Maybe<JoinedText>& x, const TextView& e) {
  if (x && e) x->append(*e);
}

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
