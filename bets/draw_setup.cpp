// 验证: loading a draw into the add-in object.
//
// A sheet calls 验证 with the year, the six regular numbers as one text
// ("05 12 18 30 41 49") and the special number. Every call replaces the whole
// draw: the numbers are cut from fixed places of the text, the special number
// is kept exactly as passed, and each number gets its zodiac sign for the year.
// The function never fails: a step that cannot be carried out is skipped and
// leaves what the previous draw had there. Beside it, the rule for a draw a
// lottery can draw, which its row carries to the front ends (see
// draw_setup.h).
#include "bets/draw_setup.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "core/custom_functions.h"
#include "zodiac/zodiac_rule.h"

namespace korvane {
namespace {

// The four steps that give one drawn number its sign. A number written as
// a whole number (the drawn "05") is read once for all of them, and in a
// whole year its sign is found by whole-number arithmetic.
void give_sign(const Variant& number, double y, Variant& sign) {
  if (const Maybe<double> n = zodiac::exact_whole_value(number)) {
    if (*n < 1 || *n > 49) {  // not a lottery number: 0, whatever its sign
      sign = Variant::integer(0);
    } else if (zodiac::small_whole(y)) {
      const std::int64_t c = zodiac::whole_cycle_position(static_cast<std::int64_t>(*n));
      const char16_t found = zodiac::whole_sign(c, static_cast<std::int64_t>(y));
      if (std::u16string* held = sign.owned_string()) {
        held->assign(1, found);  // the previous draw's sign text, rewritten in place
      } else {
        sign = Variant(std::u16string(1, found));
      }
    } else {
      assign(sign, zodiac::sign_at(*n - 12 * floor_((*n - 1) / 12), y));
    }
    return;
  }
  double c = 0;                                     // empty counts as 0
  assign(c, zodiac::cycle_position(number));        // cycle position
  assign(sign, zodiac::sign_at(c, y));              // sign for the year
  if (holds(zodiac::outside_draw_range(number))) {  // not a number 1..49
    sign = Variant::integer(0);
  }
}

// A drawn number as 验证 left it: 01 .. 49, written with two digits, as the
// bets compare it with the numbers of a bet text; 0 for anything else (a
// special number of 8 matches no bet on 08).
int drawn_number(const Variant& v) {
  const Maybe<Text> t = text(v);
  if (!t) return 0;
  const std::u16string_view s = t->view();
  if (s.size() != 2) return 0;
  int n = 0;
  for (const char16_t c : s) {
    if (c < u'0' || c > u'9') return 0;
    n = n * 10 + (c - u'0');
  }
  return n <= 49 ? n : 0;
}

}  // namespace

Variant 验证(Draw& draw, const Variant& 年, const Variant& pn, const Variant& tn,
             const Variant& /*易失*/) {
  Variant result = Variant(kConfirmation);

  // The year offset, kept as text as the sheets always kept it.
  if (const Maybe<double> year = number(年)) {
    if (const Maybe<double> offset = checked(*year - 2008)) draw.yyy = number_text(*offset);
  }

  // The six regular numbers: two characters each from positions 1, 4, 7, 10,
  // 13 and 16; any separator character between them. The text is read once,
  // and the numbers cut from it before any is stored.
  if (const TextOf numbers{pn}) {
    const auto at = [&numbers](std::size_t i) { return Variant(mid(*numbers, 1 + 3 * i, 2)); };
    std::array<Variant, 6> cut{at(0), at(1), at(2), at(3), at(4), at(5)};
    for (std::size_t i = 0; i < cut.size(); ++i) draw.p[i] = std::move(cut[i]);
  }

  draw.t = tn;  // as passed: a cell reference stays a reference

  // The reduced year offset; before any valid year yyy is empty and Y stays 0.
  double y = 0;
  if (const Maybe<double> offset = parse_number(draw.yyy)) y = zodiac::reduced_offset(*offset);

  for (std::size_t i = 0; i < draw.p.size(); ++i) give_sign(draw.p[i], y, draw.pp[i]);
  give_sign(draw.t, y, draw.tt);
  return result;
}

constexpr std::array kVerifyParams{
    Param::loads(DrawPart::Year, u"年", "开奖年份", "year of the draw"),
    Param::loads(DrawPart::Numbers, u"pn", "六个平码，如 05 12 18 30 41 49",
                 "the six regular numbers as one text"),
    Param::loads(DrawPart::Special, u"tn", "特码，如 08", "the special number, such as 08"),
    kTrigger,
};
constinit const FunctionRow<4> rows::verify = worksheet_function<验证>(
    kVerifyParams,
    {.regime = Regime::SkipsErrors,
     .keeps_references = true,  // the special number, as passed
     .zh = "载入一期开奖：平码、特码及其生肖",
     .en = "load a draw: regular numbers, special number and their signs",
     .returns_zh = "固定的确认文本",
     .returns_en = "a fixed confirmation text",
     .example = {R"(2013 "05 12 18 30 41 49" "'08")", R"("开奖号码已载入")"},
     .place = {.sheet = Sheet::Draw,
               .note = "载入本期开奖；其他各表的公式都以这一格为“易失”，开奖一改就跟着重算"},
     .draw_rule = {&draw_problem}});

DrawProblem draw_problem(const Draw& d, const Variant& year, const Variant& numbers) {
  using enum DrawProblem::Kind;
  const Maybe<double> y = number(year);
  if (!y || *y != std::floor(*y) || *y < 1 || *y > 9999) return {YearNotWhole};
  // A year of two digits (13 for 2013) gives every number another sign.
  if (*y < 1000) return {YearNotFourDigits};
  // Six numbers of two digits with one character between them: 17
  // characters. Anything after them is not read by the draw, so a seventh
  // number (or a longer one) would vanish without a word.
  if (const Maybe<Text> written = text(numbers)) {
    std::u16string_view s = written->view();
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) s.remove_suffix(1);
    if (s.size() > 17) return {MoreThanSix};
  }
  bool seen[50] = {};
  for (int i = 0; i < 7; ++i) {
    const int n = drawn_number(i < 6 ? d.p[i] : d.t);
    if (n == 0) return {NotLotteryNumber, i + 1};
    if (seen[n]) return {DrawnTwice, i + 1};
    seen[n] = true;
  }
  return {};
}

}  // namespace korvane
