#include "zodiac/zodiac_rule.h"

#include <cstdint>
#include <string>

namespace korvane::zodiac {

double reduced_offset(double year_offset) noexcept {
  return year_offset - 12 * floor_(year_offset / 12);
}

namespace {

// The rule reads a number through its text form and VB's Val. For a value
// whose text is an exact whole number those round trips change nothing: the
// leading-number value of n is n and that of (n - 1) is n - 1. Such a value
// (Empty, an Integer or Long, a whole Double, or a text that reads as a whole
// number) is taken directly; everything else (fractions, whose text rounds to
// 15 digits, booleans, whose text "True" reads as 0) goes the long way.
constexpr double kExactWhole = 1e15;

Maybe<double> exact_whole(const Variant& x) {
  Maybe<double> v;
  switch (x.kind()) {
    case Variant::Kind::Empty:
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::Double:
      v = number(x);
      break;
    case Variant::Kind::String:
      v = parse_number(x.string_view());  // such a text is its own Val prefix
      break;
    default:
      return std::nullopt;
  }
  if (!v || *v != floor_(*v) || !(*v > -kExactWhole && *v < kExactWhole)) return std::nullopt;
  return v;
}

}  // namespace

Maybe<double> exact_whole_value(const Variant& n) {
  return with_value(n, [](const Variant& x) { return exact_whole(x); });
}

Maybe<double> cycle_position(const Variant& n) {
  return with_value(n, [](const Variant& x) -> Maybe<double> {
    if (const Maybe<double> v = exact_whole(x)) return *v - 12 * floor_((*v - 1) / 12);
    const Maybe<double> value = number(x);
    if (!value) return std::nullopt;
    const Maybe<Text> before = text(Variant(*value - 1));
    const Maybe<Text> self = text(x);
    if (!before || !self) return std::nullopt;
    const double a = leading_number(*before);
    const double b = leading_number(*self);
    return checked(b - 12 * floor_(a / 12));
  });
}

Maybe<Variant> sign_at(double c, double y) {
  const double x = 13 - c + y;
  const Maybe<std::int64_t> k = position(x - 12 * floor_((x - 1) / 12));
  if (!k || *k < 1) return std::nullopt;
  // One sign, or the empty text past the twelfth place.
  if (*k > static_cast<std::int64_t>(kSigns.size())) return Variant(std::u16string());
  return Variant(std::u16string(1, kSigns[static_cast<std::size_t>(*k - 1)]));
}

Maybe<bool> outside_draw_range(const Variant& n) {
  return with_value(n, [](const Variant& x) -> Maybe<bool> {
    double b;
    if (const Maybe<double> v = exact_whole(x)) {
      b = *v;
    } else if (const Maybe<Text> self = text(x)) {
      b = leading_number(*self);
    } else {
      return std::nullopt;
    }
    return b < 1 || b > 49;
  });
}

std::u16string_view sign_of(int number, long long year) noexcept {
  const long long y = ((year - 2008) % 12 + 12) % 12;
  const long long k = ((y - number) % 12 + 12) % 12 + 1;
  return kSigns.substr(static_cast<std::size_t>(k - 1), 1);
}

}  // namespace korvane::zodiac
