// Arithmetic on worksheet values, with the result types Visual Basic gives.
//
// The sheets' formulas were written against VB's variant arithmetic, where the
// type of a result follows its operands: a blank cell or a boolean counts as an
// Integer, a numeric text as a Double, and a product or sum of Integers and
// Longs stays whole, widening to Long and then to Double when it outgrows its
// type. A cell holding a number is a Double, so most results are Doubles; a
// blank cell times a whole constant stays whole (an empty process number
// times 100000000 is the Long 0).
//
// A Double result that overflows fails the step, as VB raises an overflow.
#pragma once

#include <cstdint>

#include "core/conventions.h"
#include "core/variant.h"

namespace korvane {

// A number together with the variant type it has in VB's arithmetic.
struct Numeric {
  enum class Width : std::uint8_t { Integer, Long, Double };
  double value = 0;
  Width width = Width::Integer;

  // A whole constant as VB types a literal: Integer up to 32767, else Long.
  static constexpr Numeric whole(std::int32_t v) noexcept {
    return {static_cast<double>(v), v >= -32768 && v <= 32767 ? Width::Integer : Width::Long};
  }
};

// Numeric coercion keeping the width: Empty and booleans are Integers, a
// numeric text is a Double; other texts, error values and arrays fail.
Maybe<Numeric> numeric(const Variant& v);

Maybe<Numeric> multiply(Numeric a, Numeric b) noexcept;
Maybe<Numeric> add(Numeric a, Numeric b) noexcept;
Maybe<Numeric> absolute(Numeric a) noexcept;

// The variant a result is handed back as.
Variant to_variant(Numeric n);

}  // namespace korvane
