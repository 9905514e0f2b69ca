// The worksheet functions in interface order, one line each: the name of the
// row that stands beside the function's code, and the number of parameters
// the function takes. A new function's line goes last; a line moved, or put
// between others, renumbers the COM interface, which com/interface.pin's test
// refuses.
//
// The counts are here, where every front end can read them when it is
// compiled, because the XLL calls each function through an export of exactly
// its count and exports a fixed pool of them: a function with no entry left
// fails its build (xll/entries.cpp). Each row is declared with its line's
// count, so a row whose function takes another count does not compile.
#pragma once

#include <array>
#include <cstddef>

// clang-format off
#define KORVANE_WORKSHEET_FUNCTIONS(row) \
  row(verify, 4) \
  row(tema, 4) \
  row(temal, 1) \
  row(sum_count, 5) \
  row(pai, 1) \
  row(paid, 1) \
  row(none_hit, 3) \
  row(odd_even_big_small, 3) \
  row(zodiac_signs, 4) \
  row(zodiac_package, 3) \
  row(numbers_hit, 4) \
  row(domestic_or_wild, 3) \
  row(tails, 4) \
  row(chain, 4) \
  row(signs_to_numbers, 9) \
  row(number_to_sign, 3) \
  row(sl1, 1) \
  row(sl2, 1) \
  row(sl3, 1) \
  row(sl4, 2) \
  row(piece_wage, 2) \
  /* a new function's line goes above this one */
// clang-format on

namespace korvane {

namespace rows {
#define KORVANE_DECLARE_ROW(name, count) extern const FunctionRow<count> name;
KORVANE_WORKSHEET_FUNCTIONS(KORVANE_DECLARE_ROW)
#undef KORVANE_DECLARE_ROW
}  // namespace rows

// How many worksheet functions take each number of parameters (0 to 9).
inline constexpr std::array<std::size_t, kMaxParams + 1> kFunctionsByCount = [] {
  std::array<std::size_t, kMaxParams + 1> n{};
#define KORVANE_COUNT_ROW(name, count) ++n[count];
  KORVANE_WORKSHEET_FUNCTIONS(KORVANE_COUNT_ROW)
#undef KORVANE_COUNT_ROW
  return n;
}();

inline constexpr std::size_t kFunctionCount = [] {
  std::size_t n = 0;
  for (const std::size_t k : kFunctionsByCount) n += k;
  return n;
}();

}  // namespace korvane
