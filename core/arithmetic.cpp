#include "core/arithmetic.h"

#include <cmath>

namespace korvane {
namespace {

using Width = Numeric::Width;

Maybe<Numeric> scalar_numeric(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      return Numeric{0, Width::Integer};
    case Variant::Kind::Integer:
      return Numeric{static_cast<double>(*v.if_integer()), Width::Integer};
    case Variant::Kind::Long:
      return Numeric{static_cast<double>(*v.if_long()), Width::Long};
    case Variant::Kind::Boolean:
      return Numeric{*v.if_boolean() ? -1.0 : 0.0, Width::Integer};
    case Variant::Kind::Double:
    case Variant::Kind::String:
      if (const Maybe<double> x = number(v)) return Numeric{*x, Width::Double};
      break;
    case Variant::Kind::Error:
    case Variant::Kind::Range:
    case Variant::Kind::Array:
      break;
  }
  return std::nullopt;
}

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

Maybe<Numeric> numeric(const Variant& v) {
  if (const RangeRef* r = v.if_range(); r && *r) return scalar_numeric((*r)->value());
  return scalar_numeric(v);
}

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
