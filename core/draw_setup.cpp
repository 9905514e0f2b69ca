// 验证: loading a draw into the add-in object.
//
// A sheet calls 验证 with the year, the six regular numbers as one text
// ("05 12 18 30 41 49") and the special number. Every call replaces the whole
// draw: the numbers are cut from fixed places of the text, the special number
// is kept exactly as passed, and each number gets its zodiac sign for the year.
// The function never fails: a step that cannot be carried out is skipped and
// leaves what the previous draw had there.
#include "core/custom_functions.h"
#include "zodiac/zodiac_rule.h"

namespace korvane {
namespace {

// The four steps that give one drawn number its sign.
void give_sign(const Variant& number, double y, Variant& sign) {
  double c = 0;                                     // empty counts as 0
  assign(c, zodiac::cycle_position(number));        // cycle position
  assign(sign, zodiac::sign_at(c, y));              // sign for the year
  if (holds(zodiac::outside_draw_range(number))) {  // not a number 1..49
    sign = Variant::integer(0);
  }
}

}  // namespace

Variant 自定义函数::验证(const Variant& 年, const Variant& pn, const Variant& tn,
                         const Variant& /*易失*/) {
  Variant result = Variant(kConfirmation);

  // The year offset, kept as text as the sheets always kept it.
  if (const Maybe<double> year = number(年)) {
    if (const Maybe<double> offset = checked(*year - 2008)) yyy = number_text(*offset);
  }

  // The six regular numbers: two characters each from positions 1, 4, 7, 10,
  // 13 and 16; any separator character between them.
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (const Maybe<Text> numbers = text(pn)) p[i] = Variant(mid(*numbers, 1 + 3 * i, 2));
  }

  t = tn;  // as passed: a cell reference stays a reference

  // The reduced year offset; before any valid year yyy is empty and Y stays 0.
  double y = 0;
  if (const Maybe<double> offset = parse_number(yyy)) y = zodiac::reduced_offset(*offset);

  for (std::size_t i = 0; i < p.size(); ++i) give_sign(p[i], y, pp[i]);
  give_sign(t, y, tt);
  return result;
}

}  // namespace korvane
