// 平特几不中: the none-hit bet.
//
// The bettor lists some numbers ("03 17 28 45 49", any separators); the bet
// wins when none of the seven drawn numbers, the special number included,
// stands among them, however many were listed. A winning bet hands back 收入
// as it was passed.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {

Variant 平特几不中(const Draw& draw, const Variant& a, const Variant& 收入, const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf backed(a);
  if (!backed) return bet::not_settled(draw, std::move(result));

  // 2. A drawn number is a hit when it is found in the list before the list's
  // last character, counting the sentinel copy appended for the search: a
  // two-digit number only where both its digits stand in the list.
  int hits = 0;
  const IndexedText list(*backed);
  const std::size_t listed = list.view().size();
  for (const Variant* x :
       {&draw.p[0], &draw.p[1], &draw.p[2], &draw.p[3], &draw.p[4], &draw.p[5], &draw.t}) {
    const TextOf drawn(*x);
    // A drawn number of two characters stands before the list's last
    // character wherever it is found in the list, and never where it runs on
    // into the copy: it is a hit exactly when the list holds it.
    if (drawn && (*drawn).size() == 2) {
      hits += list.find(*drawn) != std::u16string_view::npos;
    } else if (holds(below(sentinel_position(drawn, list), listed))) {
      ++hits;
    }
  }

  if (hits == 0) result = bet::copied(收入);  // 3
  bet::undrawn_draw(draw, result);            // 4
  return result;                              // 5
}

constexpr std::array kNoneHitParams{
    Param::value(u"a", "所买号码，如 03 17 28 45", "the backed numbers, such as 03 17 28 45"),
    Param::value(u"收入", "中奖时返回的值", "what a winning bet returns"),
    kTrigger,
};
constinit const FunctionRow<3> rows::none_hit = worksheet_function<平特几不中>(
    kNoneHitParams,
    {.regime = Regime::SkipsErrors,
     .zh = "平特几不中：开奖七码全不在所买号码中",
     .en = "none-hit: no drawn number is among the backed numbers",
     .returns_zh = "中奖时原样返回 收入，否则为 0 或空",
     .returns_en = "收入 unchanged on a win, else 0 or empty",
     .example = {R"("01 02 03 04 06" 300)", "300"},
     .place = {
         .sheet = Sheet::Bets, .pays = true, .note = "所买五码都不在开奖七码中，中奖，得回金额"}});

}  // namespace korvane
