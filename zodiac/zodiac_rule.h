// The zodiac sign each lottery number carries in a given year.
//
// The numbers 01, 13, 25, 37 and 49 carry the sign of the year itself; each
// following number carries the sign one place earlier in the sequence
// 牛虎免龙蛇马羊猴鸡狗猪鼠, so the whole assignment turns by one sign a year.
// The year is the plain calendar number: no lunar new-year boundary.
//
// The rule is written as the workbooks compute it, on doubles through the
// text form and the leading-number value, so that fractional or malformed
// inputs give the same answers they always gave. Each function below is one
// step of the draw set-up's skip-on-error rule; the conversions use them as
// failing steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/conventions.h"
#include "core/variant.h"

namespace korvane::zodiac {

// The sign sequence. The rabbit is written 免, as the sheets have always had it.
inline constexpr std::u16string_view kSigns = u"牛虎免龙蛇马羊猴鸡狗猪鼠";

// Reduced year offset Y = D - 12 floor(D / 12), 0 <= Y < 12 for a whole D.
double reduced_offset(double year_offset) noexcept;

// Cycle position c of a number: B - 12 floor(A / 12), where A is the
// leading-number value of the text form of (n - 1) and B that of n. For a whole
// n it is ((n - 1) mod 12) + 1. Fails when n is not a number.
Maybe<double> cycle_position(const Variant& n);

// The value of n when its text form is an exact whole number (Empty, an
// Integer or Long, a whole Double, a text that reads as a whole number, or a
// cell holding one): for such a number the cycle position is
// n - 12 floor((n - 1) / 12) and it lies outside the draw range when below 1
// or above 49, with no text form made. Nothing for any other value.
Maybe<double> exact_whole_value(const Variant& n);

// The rule's arithmetic on whole numbers of at most kWholeLimit in size,
// where the doubles' divisions by 12 and floors are exact and whole-number
// arithmetic gives the same results without them: the cycle position of a
// whole number n, and the sign sign_at gives for a whole cycle position c in
// a whole reduced offset y.
inline constexpr double kWholeLimit = 1e9;
inline bool small_whole(double v) noexcept {
  return v >= -kWholeLimit && v <= kWholeLimit && v == floor_(v);
}
constexpr std::int64_t floor_div12(std::int64_t a) noexcept {
  return a >= 0 ? a / 12 : -((11 - a) / 12);
}
constexpr std::int64_t floor_mod12(std::int64_t a) noexcept { return a - 12 * floor_div12(a); }
constexpr std::int64_t whole_cycle_position(std::int64_t n) noexcept {
  return n - 12 * floor_div12(n - 1);
}
constexpr char16_t whole_sign(std::int64_t c, std::int64_t y) noexcept {
  const std::int64_t x = 13 - c + y;
  return kSigns[static_cast<std::size_t>(x - 12 * floor_div12(x - 1) - 1)];
}

// The sign at position k = X - 12 floor((X - 1) / 12), X = 13 - c + Y, with k
// rounded half to even: a one-character text, or the empty text for the
// thirteenth place that a rounded fractional k can reach.
Maybe<Variant> sign_at(double c, double y);

// Whether the number lies outside 1..49 by its leading-number value, so that
// its sign is replaced by the Integer 0. Fails when n has no text form.
Maybe<bool> outside_draw_range(const Variant& n);

// The sign of a whole number 1..49 in a whole year, by the closed form
// ((Y - n) mod 12) + 1. For tests and tables.
std::u16string_view sign_of(int number, long long year) noexcept;

}  // namespace korvane::zodiac
