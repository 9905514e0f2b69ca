#include "bets/text_matching.h"

#include <cstring>

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

}  // namespace korvane
