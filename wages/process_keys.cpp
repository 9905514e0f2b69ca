// SL1 to SL4: process keys of a piece-rate wage sheet.
//
// A wage sheet records, per row, a process number (工序号, a step of the
// work) and a quantity. The sheets pack both into one number, the process
// key: process number x 100000000 + |quantity|. Sorting or summing by key
// then groups rows by process, and a range test picks one process: its keys
// lie from SL1(p) up to, but not including, SL2(p). SL3 takes the quantity
// back out of a key.
//
// The scale is written as the whole constant 100000000 (a Long), so a blank
// process number gives a whole key; a cell holding a number gives a Double.
// Nothing is rounded: a fractional process number gives a fractional key.
#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

constexpr Numeric kKeyScale = Numeric::whole(100000000);

Numeric lowest_key(const Variant& process) {
  return need(multiply(need(numeric(process)), kKeyScale));
}

}  // namespace

Variant 自定义函数::SL1(const Variant& y) { return to_variant(lowest_key(y)); }

Variant 自定义函数::SL2(const Variant& y) {
  return to_variant(need(add(lowest_key(y), kKeyScale)));
}

// The remainder below the scale, with the floor toward minus infinity: a key
// of a negative process number still gives its quantity (-199999995 gives 5).
Variant 自定义函数::SL3(const Variant& y) {
  const double key = need(number(y));
  const double scale = kKeyScale.value;
  return Variant(need(checked(key - scale * floor_(key / scale))));
}

// The quantity's sign is dropped (a returned piece still counts in its
// process); the process number is kept as it is, sign and fraction.
Variant 自定义函数::SL4(const Variant& 工序号, const Variant& 数量) {
  const Numeric key = lowest_key(工序号);
  return to_variant(need(add(key, need(absolute(need(numeric(数量)))))));
}

}  // namespace korvane
