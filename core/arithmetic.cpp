#include "core/arithmetic.h"

#include <cmath>

namespace korvane {
namespace {

using Width = Numeric::Width;

// The exact result of a whole operation, in the narrowest type from `width`
// up that holds it; Doubles fail on overflow.
Maybe<Numeric> widened(double x, Width width) noexcept {
  if (width == Width::Integer && x >= -32768.0 && x <= 32767.0) return Numeric{x, Width::Integer};
  if (width != Width::Double && x >= -2147483648.0 && x <= 2147483647.0) {
    return Numeric{x, Width::Long};
  }
  const Maybe<double> d = checked(x);
  if (!d) return std::nullopt;
  return Numeric{*d, Width::Double};
}

Width wider(Width a, Width b) noexcept { return a > b ? a : b; }

}  // namespace

// Whole operands below 2^31 multiply exactly in a double (the product is below
// 2^62 and is only kept whole when it fits 32 bits).
Maybe<Numeric> multiply(Numeric a, Numeric b) noexcept {
  return widened(a.value * b.value, wider(a.width, b.width));
}

Maybe<Numeric> add(Numeric a, Numeric b) noexcept {
  return widened(a.value + b.value, wider(a.width, b.width));
}

Maybe<Numeric> absolute(Numeric a) noexcept { return widened(std::fabs(a.value), a.width); }

Variant to_variant(Numeric n) {
  switch (n.width) {
    case Width::Integer:
      return Variant::integer(static_cast<std::int16_t>(n.value));
    case Width::Long:
      return Variant::long_integer(static_cast<std::int32_t>(n.value));
    case Width::Double:
      break;
  }
  return Variant(n.value);
}

}  // namespace korvane
