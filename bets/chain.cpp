// 特串软串: chain bets tying the special number to regular numbers.
//
// The bettor lists two-digit numbers in one text and names the form:
//  - hard (the bet type holds 硬 or 特): the list must begin with the special
//    number, and every regular number drawn that stands in the list wins 收入
//    once;
//  - soft (any other type): the special number may stand anywhere in the list,
//    and the bet wins 收入, as it was passed, when exactly one regular number
//    stands in it too.
// Unlike the other bets it has no test for an undrawn draw.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// hard x first x hits x special x 收入, on numbers; fails when 收入 is no
// number.
Maybe<double> product(double hard, double first, double hits, double special, const Variant& 收入) {
  const Maybe<double> amount = number(收入);
  if (!amount) return std::nullopt;
  return checked(hard * first * hits * special * *amount);
}

}  // namespace

Variant 特串软串(const Draw& draw, const Variant& g, const Variant& 号码, const Variant& 收入,
                 const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf type(g);
  const TextOf list(号码);
  if (!type || !list) return result;  // not settled; a chain bet has no undrawn test

  double hard = 0;  // 2
  if (holds(occurs_in(std::u16string_view(u"硬"), type)) ||
      holds(occurs_in(std::u16string_view(u"特"), type))) {
    hard = 1;
  }

  // 3. Compared as values: a special number held as a number never equals the
  // text the list begins with.
  double first = 0;
  if (holds(equals_text(draw.t, mid(*list, 1, 2)))) first = 1;

  double hits = 0;  // 4
  for (const Variant& x : draw.p) {
    if (holds(occurs_in(TextOf(x), list))) hits += 1;
  }

  double special = 0;  // 5
  if (holds(occurs_in(TextOf(draw.t), list))) special = 1;

  assign(result, product(hard, first, hits, special, 收入));         // 6
  if (hits * special == 1 && hard == 0) result = bet::copied(收入);  // 7
  return result;                                                     // 8
}

constexpr std::array kChainParams{
    Param::value(u"g", "玩法：含“硬”或“特”为特串，否则软串",
                 "bet type: containing 硬 or 特 is a hard chain, else soft"),
    Param::value(u"号码", "串中号码，特串以特码开头",
                 "the chained numbers, hard chains start with the special number"),
    Param::value(u"收入", "每个中奖组合的金额", "amount per winning pair"),
    kTrigger,
};
constinit const FunctionRow<4> rows::chain = worksheet_function<特串软串>(
    kChainParams, {.regime = Regime::SkipsErrors,
                   .zh = "特串软串：特码与平码的串",
                   .en = "chain bet tying the special number to regular numbers",
                   .returns_zh = "硬：收入 × 中数；软：中奖时为 收入",
                   .returns_en = "hard: 收入 x hits; soft: 收入 on a win",
                   .example = {R"(特串 "08 12 41" 100)", "200"},
                   .place = {.sheet = Sheet::Bets,
                             .pays = true,
                             .note = "特串：特码 08 与平码 12、41 相串，中两串，各得 100"}});

}  // namespace korvane
