// Finding one text inside another, in time linear in both.
//
// Bets, codes and special numbers are looked up in bet texts all the time, and
// a workbook may hand a function a text of any length: a pasted column of
// thousands of numbers, or a special number cell that holds a whole list. A
// plain search compares the entry again from every position and takes
// len(text) x len(entry) steps; on a text of a megabyte that is minutes of
// recalculation. This is the two-way search of Crochemore and Perrin: at most
// about 2 x len(text) + 2 x len(entry) comparisons, no memory beyond a few
// numbers (nothing on the heap, so it cannot fail), and the same first
// position the plain search finds.
//
// The search reads both texts through an accessor, so a caller may search a
// text it never builds (the sentinel position searches X followed by e), and a
// test may count the comparisons.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace korvane {

namespace search_detail {

// The critical factorisation of the entry: where it splits into a left and a
// right part such that the search can compare the right part first and shift
// by the period after a mismatch.
struct Factorisation {
  std::size_t split;   // the left part is e[0 .. split)
  std::size_t period;  // the period of the right part
};

// The maximal suffix of e under one order of the characters, with its period.
template <class Entry, class Less>
Factorisation maximal_suffix(const Entry& e, std::size_t m, Less less) {
  // i is where the best suffix so far starts, j where the candidate does (each
  // one past the character before it, so that 0 is "before e"), k the offset
  // being compared and p the period found.
  std::size_t i = 0, j = 1, k = 1, p = 1;
  while (j + k <= m) {
    const auto a = e(i + k - 1);
    const auto b = e(j + k - 1);
    if (a == b) {
      if (k == p) {
        j += p;
        k = 1;
      } else {
        ++k;
      }
    } else if (less(b, a)) {  // the candidate suffix is smaller: skip past it
      j += k;
      k = 1;
      p = j - i;
    } else {  // the candidate is larger: it becomes the best suffix
      i = j++;
      k = p = 1;
    }
  }
  return {i, p};
}

}  // namespace search_detail

// The first position at which the entry (m characters read through e(i))
// stands in the text (n characters read through x(i)), or npos. An empty
// entry is found at 0.
template <class Text, class Entry>
std::size_t find_linear(const Text& x, std::size_t n, const Entry& e, std::size_t m) {
  constexpr std::size_t npos = std::u16string_view::npos;
  if (m == 0) return 0;
  if (m > n) return npos;

  // 1. Factorise the entry at the larger of its two maximal suffixes.
  using C = decltype(e(0));
  const auto f1 = search_detail::maximal_suffix(e, m, [](C a, C b) { return a < b; });
  const auto f2 = search_detail::maximal_suffix(e, m, [](C a, C b) { return b < a; });
  const search_detail::Factorisation f = f1.split >= f2.split ? f1 : f2;
  const std::size_t split = f.split;  // e[0 .. split) is the left part
  std::size_t period = f.period;

  // 2. Is the left part repeated one period later? Then the entry is periodic
  // and a match of its right part lets the next attempt remember what matched.
  bool periodic = split + period <= m;
  for (std::size_t i = 0; periodic && i < split; ++i) periodic = e(i) == e(i + period);
  std::size_t memory_after_shift = 0;
  if (periodic) {
    memory_after_shift = m - period;
  } else {
    // No overlap worth remembering: shift past the longer part.
    period = std::max(split, m - split + 1);
  }

  // 3. Slide the entry along the text: right part left to right, then the
  // left part right to left.
  std::size_t at = 0;
  std::size_t memory = 0;  // characters at the front already known to match
  while (at + m <= n) {
    std::size_t k = std::max(split, memory);
    while (k < m && e(k) == x(at + k)) ++k;
    if (k < m) {
      at += k - split + 1;
      memory = 0;
      continue;
    }
    k = split;
    while (k > memory && e(k - 1) == x(at + k - 1)) --k;
    if (k <= memory) return at;
    at += period;
    memory = memory_after_shift;
  }
  return npos;
}

// The first position of e in x (e empty: 0), or npos.
inline std::size_t find_linear(std::u16string_view x, std::u16string_view e) noexcept {
  return find_linear([x](std::size_t i) { return x[i]; }, x.size(),
                     [e](std::size_t i) { return e[i]; }, e.size());
}

}  // namespace korvane
