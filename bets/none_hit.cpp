// 平特几不中: the none-hit bet.
//
// The bettor lists some numbers ("03 17 28 45 49", any separators); the bet
// wins when none of the seven drawn numbers, the special number included,
// stands among them, however many were listed. A winning bet hands back 收入
// as it was passed.
#include "core/custom_functions.h"
#include "bets/text_tests.h"

namespace korvane {

Variant 自定义函数::平特几不中(const Variant& a, const Variant& 收入, const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf backed(a);
  if (!backed) return bet::not_settled(*this, std::move(result));

  // 2. A drawn number is a hit when it is found in the list before the list's
  // last character, counting the sentinel copy appended for the search: a
  // two-digit number only where both its digits stand in the list.
  int hits = 0;
  const IndexedText list(*backed);
  const std::size_t listed = list.view().size();
  for (const Variant* x : {&p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &t}) {
    if (holds(below(sentinel_position(TextOf(*x), list), listed))) ++hits;
  }

  if (hits == 0) result = bet::copied(收入);  // 3
  bet::undrawn_draw(*this, result);           // 4
  return result;                              // 5
}

}  // namespace korvane
