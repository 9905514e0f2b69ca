// 包几肖: the zodiac package bet.
//
// The bettor backs any number of signs; the bet wins when the special number's
// sign is among them. The regular numbers play no part, and the payout does
// not depend on how many signs were backed: a winning bet hands back 收入 as it
// was passed.
#include "core/custom_functions.h"
#include "bets/text_tests.h"

namespace korvane {

Variant 自定义函数::包几肖(const Variant& 肖, const Variant& 收入, const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf backed(肖);
  if (!backed) return bet::not_settled(*this, std::move(result));

  if (holds(occurs_in(TextOf(tt), backed))) result = bet::copied(收入);  // 2
  bet::undrawn_draw(*this, result);                                      // 3
  return result;                                                         // 4
}

}  // namespace korvane
