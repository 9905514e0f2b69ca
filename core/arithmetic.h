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

// Numeric and numeric(), the coercion keeping the width, are in
// core/conventions.h with the other conventions of reading a value.

Maybe<Numeric> multiply(Numeric a, Numeric b) noexcept;
Maybe<Numeric> add(Numeric a, Numeric b) noexcept;
Maybe<Numeric> absolute(Numeric a) noexcept;

// The variant a result is handed back as.
Variant to_variant(Numeric n);

}  // namespace korvane
