// Matching drawn numbers and signs against a bet's text: the text tests the
// regular-number bets are settled with.
//
// A bet function reads the bet as text and looks drawn numbers, signs and
// marks up in it. The sheets have always done that with four small tests:
//  - the text form of a value (a number by its decimal text, a blank cell as
//    the empty text; an error value or a block of cells has none);
//  - the join of X and e: X's text followed by e's, never a sum;
//  - the sentinel position of e in X: where e is first found in X followed by
//    e itself, so that it is always found (1 .. len(X) + 1 for a non-empty e).
//    Each bet compares it with its own bound, and a number found only in the
//    appended copy counts as not in X;
//  - e occurs in X: a plain substring test (an empty e occurs everywhere).
// Each test fails when one of its values has no text form; under the
// skip-on-error rule a failing test counts as met.
//
// None of them copies a text argument or builds a string on the heap: a bet is
// settled once per cell on every recalculation of a sheet with thousands of
// rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/conventions.h"
#include "core/search.h"
#include "core/variant.h"

namespace korvane {

// The first place, 0-based, where e is found in x (e empty: 0), or npos.
// The entries looked up are nearly always one or two characters (a sign, a
// drawn number): those are scanned for directly; a longer one goes through
// the linear search, whatever the lengths.
inline std::size_t find_text(std::u16string_view x, std::u16string_view e) noexcept {
  if (e.size() > x.size()) return std::u16string_view::npos;
  if (e.empty()) return 0;
  const std::size_t last = x.size() - e.size();
  if (e.size() == 2) {  // a drawn number: compare both characters at once
    const std::uint32_t want = e[0] | (std::uint32_t{e[1]} << 16);
    for (std::size_t i = 0; i <= last; ++i) {
      if ((x[i] | (std::uint32_t{x[i + 1]} << 16)) == want) return i;
    }
    return std::u16string_view::npos;
  }
  if (e.size() == 1) return x.find(e[0]);
  return find_linear(x, e);
}

// The sentinel position of e in x (1-based; 0 only when both are empty).
std::size_t sentinel_position_across(std::u16string_view e, std::u16string_view x) noexcept;
inline std::size_t sentinel_position(std::u16string_view e, std::u16string_view x) noexcept {
  if (e.empty()) return x.empty() ? 0 : 1;  // as the sheets' InStr finds an empty text
  if (const std::size_t at = find_text(x, e); at != std::u16string_view::npos) return at + 1;
  return sentinel_position_across(e, x);
}
inline Maybe<std::size_t> sentinel_position(const TextView& e, const TextView& x) noexcept {
  if (!e || !x) return std::nullopt;
  return sentinel_position(*e, *x);
}

// Whether e occurs in x.
inline bool occurs_in(std::u16string_view e, std::u16string_view x) noexcept {
  return find_text(x, e) != std::u16string_view::npos;
}
inline Maybe<bool> occurs_in(const TextView& e, const TextView& x) noexcept {
  if (!e || !x) return std::nullopt;
  return occurs_in(*e, *x);
}

// The counting step of the whole-draw bets on the usual draw, where each of
// the seven entries (a sign, a tail) is one character: each character counts
// once, at its first entry, and every later entry of it is replaced by the
// bet's marker, which counts where the backed text holds the marker
// (marker_counts). The hits among the backed text; exactly what the steps
// on texts count, with no text joined.
inline int distinct_hits(const char16_t (&entries)[7], std::u16string_view backed,
                         bool marker_counts) noexcept {
  int hits = 0;
  for (int k = 0; k < 7; ++k) {
    bool repeated = false;
    for (int j = 0; j < k && !repeated; ++j) repeated = entries[j] == entries[k];
    hits += repeated ? marker_counts : backed.find(entries[k]) != std::u16string_view::npos;
  }
  return hits;
}

// A text searched again and again for drawn numbers. One pass notes where each
// pair of digits 00 .. 99 first stands in it, so that every search for a
// two-digit number after that is a lookup; any other entry is searched for in
// the text itself. Finds exactly what find_text finds.
class IndexedText {
 public:
  explicit IndexedText(std::u16string_view x) noexcept;
  std::u16string_view view() const noexcept { return text_; }
  std::size_t find(std::u16string_view e) const noexcept {
    if (indexed_ && e.size() == 2) {
      const unsigned hi = e[0] - unsigned{u'0'};
      const unsigned lo = e[1] - unsigned{u'0'};
      if (hi < 10 && lo < 10) {
        const unsigned at = first_[hi * 10 + lo];
        return at ? at - 1 : std::u16string_view::npos;
      }
    }
    return find_text(text_, e);
  }

 private:
  std::u16string_view text_;
  bool indexed_ = false;
  // 1-based first position of each digit pair, 0: none; one more slot takes
  // the pairs that are not two digits.
  std::uint8_t first_[101];
};

inline Maybe<std::size_t> sentinel_position(const TextView& e, const IndexedText& x) noexcept {
  if (!e) return std::nullopt;
  if ((*e).empty()) return x.view().empty() ? 0 : 1;
  if (const std::size_t at = x.find(*e); at != std::u16string_view::npos) return at + 1;
  return sentinel_position_across(*e, x.view());
}

inline Maybe<bool> occurs_in(const TextView& e, const IndexedText& x) noexcept {
  if (!e) return std::nullopt;
  return x.find(*e) != std::u16string_view::npos;
}

// A text built by joins, one value after another. Short joins (every join a
// bet makes of drawn signs and numbers) stay on the stack.
class JoinedText {
 public:
  explicit JoinedText(std::u16string_view first) { append(first); }
  void append(std::u16string_view s) {
    if (!spilled_ && size_ + s.size() <= kSmall) {
      for (const char16_t c : s) small_[size_++] = c;
    } else {
      spill(s);
    }
  }
  std::u16string_view view() const noexcept {
    return spilled_ ? std::u16string_view(big_) : std::u16string_view(small_, size_);
  }

 private:
  void spill(std::u16string_view s);

  static constexpr std::size_t kSmall = 32;
  char16_t small_[kSmall];
  std::size_t size_ = 0;
  bool spilled_ = false;
  std::u16string big_;
};

// x := the join of x and e. Skipped (x keeps its text, or stays without one)
// when either has no text form.
void join(Maybe<JoinedText>& x, const TextView& e);

// The text form of a joined text.
inline TextView text_of(const Maybe<JoinedText>& x) noexcept {
  if (!x) return {};
  return x->view();
}

// The single character at a 1-based position of a text, or the empty text
// beyond its end.
inline std::u16string_view char_at(std::u16string_view s, std::size_t position) noexcept {
  return mid(s, position, 1);
}

// v < bound, where v comes from a step that may have failed.
inline Maybe<bool> below(Maybe<std::size_t> v, std::size_t bound) noexcept {
  if (!v) return std::nullopt;
  return *v < bound;
}

inline Maybe<bool> negated(Maybe<bool> test) noexcept {
  if (!test) return std::nullopt;
  return !*test;
}

}  // namespace korvane
