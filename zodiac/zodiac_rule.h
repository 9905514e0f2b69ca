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
