// 包几肖: the zodiac package bet.
//
// The bettor backs any number of signs; the bet wins when the special number's
// sign is among them. The regular numbers play no part, and the payout does
// not depend on how many signs were backed: a winning bet hands back 收入 as it
// was passed.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {

Variant 包几肖(const Draw& draw, const Variant& 肖, const Variant& 收入, const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf backed(肖);
  if (!backed) return bet::not_settled(draw, std::move(result));

  if (holds(occurs_in(TextOf(draw.tt), backed))) result = bet::copied(收入);  // 2
  bet::undrawn_draw(draw, result);                                            // 3
  return result;                                                              // 4
}

constexpr std::array kZodiacPackageParams{
    Param::value(u"肖", "所买生肖，如 鼠牛虎龙", "the backed signs, such as 鼠牛虎龙"),
    Param::value(u"收入", "中奖时返回的值", "what a winning bet returns"),
    kTrigger,
};
constinit const FunctionRow<3> rows::zodiac_package = worksheet_function<包几肖>(
    kZodiacPackageParams,
    {.regime = Regime::SkipsErrors,
     .zh = "包几肖：特码生肖在所买生肖中",
     .en = "the special number's sign is among the backed signs",
     .returns_zh = "中奖时原样返回 收入，否则为 0 或空",
     .returns_en = "收入 unchanged on a win, else 0 or empty",
     .example = {"鼠狗 80", "80"},
     .place = {
         .sheet = Sheet::Bets, .pays = true, .note = "包鼠狗：特码 08 属狗，中奖，得回金额"}});

}  // namespace korvane
