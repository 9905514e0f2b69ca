// 平特单双大小: odd/even and big/small on the sum of the draw.
//
// The seven drawn numbers, the special number included, are added up. A sum of
// 175 or more is big (大), 174 or less small (小); it is odd (单) or even (双).
// The bet text holds one or more of the four marks and wins when it holds the
// size mark or the parity mark of the sum; a winning bet hands back 收入 as it
// was passed, once even when both marks match.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// The leading-number value of a drawn number's text. A text of digits alone,
// as every drawn number is, is read directly.
double value_of_number(std::u16string_view s) noexcept {
  if (s.empty() || s.size() > 15) return leading_number(s);
  double value = 0;
  for (const char16_t c : s) {
    if (c < u'0' || c > u'9') return leading_number(s);
    value = value * 10 + (c - u'0');
  }
  return value;
}

// The draw sum: the leading-number values of the seven drawn numbers' texts,
// so "07" adds 7 and a text without a leading number adds nothing. One step:
// a drawn value without a text form fails the whole sum.
Maybe<double> draw_sum(const Draw& draw) {
  double sum = 0;
  for (const Variant* x :
       {&draw.p[0], &draw.p[1], &draw.p[2], &draw.p[3], &draw.p[4], &draw.p[5], &draw.t}) {
    const TextOf number(*x);
    if (!number) return std::nullopt;
    sum += value_of_number(*number);
  }
  return checked(sum);  // an overflowing number fails as the sheets' Val does
}

}  // namespace

Variant 平特单双大小(const Draw& draw, const Variant& 单双大小, const Variant& 收入,
                     const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf marks(单双大小);
  if (!marks) return bet::not_settled(draw, std::move(result));

  double sum = 0;  // 2 (an empty sum compares as 0)
  assign(sum, draw_sum(draw));

  std::u16string_view size;  // 3: a sum between 174 and 175 ends up small
  if (sum > 174) size = u"大";
  if (sum < 175) size = u"小";

  std::u16string_view parity;  // 4
  const double even = 2 * floor_(sum / 2);
  if (sum == even) parity = u"双";
  if (sum > even) parity = u"单";

  if (holds(occurs_in(size, marks))) result = bet::copied(收入);    // 5
  if (holds(occurs_in(parity, marks))) result = bet::copied(收入);  // 6
  bet::undrawn_draw(draw, result);                                  // 7
  return result;                                                    // 8
}

constexpr std::array kOddEvenBigSmallParams{
    Param::value(u"单双大小", "含单、双、大、小的下注文本", "bet text holding 单, 双, 大 or 小"),
    Param::value(u"收入", "中奖时返回的值", "what a winning bet returns"),
    kTrigger,
};
constinit const FunctionRow<3> rows::odd_even_big_small = worksheet_function<平特单双大小>(
    kOddEvenBigSmallParams, {.regime = Regime::SkipsErrors,
                             .zh = "平特单双大小：按七码之和的单双大小",
                             .en = "odd/even, big/small of the sum of the seven drawn numbers",
                             .returns_zh = "中奖时原样返回 收入，否则为 0 或空",
                             .returns_en = "收入 unchanged on a win, else 0 or empty",
                             .example = {"小 50", "50"},
                             .place = {.sheet = Sheet::Bets,
                                       .pays = true,
                                       .note = "押“小”：按七码之和判定，本期为小，得回金额"}});

}  // namespace korvane
