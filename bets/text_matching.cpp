#include "bets/text_matching.h"

#include <cstring>

namespace korvane {

namespace {

// Up to this many characters (a drawn number, a sign, a tail) an entry is
// tried at each start directly: at most kShortEntry starts of at most
// kShortEntry comparisons, a few steps whatever the length of x.
constexpr std::size_t kShortEntry = 8;

// The first start at or after lo (0-based) where x's tail from there is where
// e begins and e's remainder repeats e's beginning; x.size() always is one.
// Returned 1-based.
std::size_t short_entry_across(std::u16string_view e, std::u16string_view x,
                               std::size_t lo) noexcept {
  for (std::size_t at = lo;; ++at) {
    const std::size_t in_x = x.size() - at;  // characters of e standing in x
    std::size_t k = 0;
    while (k < in_x && x[at + k] == e[k]) ++k;
    if (k < in_x) continue;
    while (k < e.size() && e[k] == e[k - in_x]) ++k;
    if (k == e.size()) return at + 1;
  }
}

}  // namespace

// e is not inside x: the first place where e starts in x and runs on into the
// appended copy of e. The start at len(x) always matches, so the join itself is
// never built: the search reads the tail of x and then e.
std::size_t sentinel_position_across(std::u16string_view e, std::u16string_view x) noexcept {
  const std::size_t lo = x.size() >= e.size() ? x.size() - e.size() + 1 : 0;
  if (e.size() <= kShortEntry) return short_entry_across(e, x, lo);
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
