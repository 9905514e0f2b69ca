#include "zodiac/zodiac_rule.h"

namespace korvane::zodiac {

double reduced_offset(double year_offset) noexcept {
  return year_offset - 12 * floor_(year_offset / 12);
}

Maybe<double> cycle_position(const Variant& n) {
  const Maybe<double> value = number(n);
  if (!value) return std::nullopt;
  const Maybe<Text> before = text(Variant(*value - 1));
  const Maybe<Text> self = text(n);
  if (!before || !self) return std::nullopt;
  const double a = leading_number(*before);
  const double b = leading_number(*self);
  return checked(b - 12 * floor_(a / 12));
}

Maybe<Variant> sign_at(double c, double y) {
  const double x = 13 - c + y;
  const Maybe<std::int64_t> k = position(x - 12 * floor_((x - 1) / 12));
  if (!k || *k < 1) return std::nullopt;
  return Variant(mid(kSigns, static_cast<std::size_t>(*k), 1));
}

Maybe<bool> outside_draw_range(const Variant& n) {
  const Maybe<Text> self = text(n);
  if (!self) return std::nullopt;
  const double b = leading_number(*self);
  return b < 1 || b > 49;
}

std::u16string_view sign_of(int number, long long year) noexcept {
  const long long y = ((year - 2008) % 12 + 12) % 12;
  const long long k = ((y - number) % 12 + 12) % 12 + 1;
  return kSigns.substr(static_cast<std::size_t>(k - 1), 1);
}

}  // namespace korvane::zodiac
