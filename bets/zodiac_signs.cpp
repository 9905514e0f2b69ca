// 平特几肖: the zodiac bet on the whole draw.
//
// Every drawn number carries a zodiac sign for the year of the draw. The bet
// type names how many signs one winning unit needs (平特二肖: two, anywhere in
// the draw); the bettor backs any number of signs. The distinct signs of the
// seven drawn numbers, the special number included, are counted among the
// backed ones, and every full N of them pays 收入 once.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// A sign that already occurred earlier in the draw is replaced by this marker,
// so that it is counted once.
constexpr TextView kRepeated(u"XX");

// 收入 once for every full N of hits; fails when N is unset or 收入 is no
// number.
Maybe<double> payout(const Variant& 收入, int hits, Maybe<double> n) {
  if (!n) return std::nullopt;
  const Maybe<double> amount = number(收入);
  if (!amount) return std::nullopt;
  return checked(*amount * floor_(hits / *n));
}

// Steps 3 to 5 on the texts of the signs, whatever they hold: the hits of
// the draw's distinct signs among the backed ones.
int hits_among(const Draw& draw, const TextView& backed) {
  // 3. The entries: the signs of p1 ... p6 and of the special number.
  const TextOf signs[7]{TextOf(draw.pp[0]), TextOf(draw.pp[1]), TextOf(draw.pp[2]),
                        TextOf(draw.pp[3]), TextOf(draw.pp[4]), TextOf(draw.pp[5]),
                        TextOf(draw.tt)};
  const TextView* e[7];
  for (int k = 0; k < 7; ++k) e[k] = &signs[k];
  Maybe<JoinedText> seen;
  if (*e[0]) seen.emplace(**e[0]);

  // 4. Each sign counts once, at its first entry. A failing test joins (and
  // that join fails too); it never marks the entry as repeated.
  for (int k = 1; k < 7; ++k) {
    if (holds(negated(occurs_in(*e[k], text_of(seen))))) {
      join(seen, *e[k]);
    } else {
      e[k] = &kRepeated;
    }
  }

  int hits = 0;  // 5
  for (const TextView* entry : e) {
    if (holds(occurs_in(*entry, backed))) ++hits;
  }
  return hits;
}

// The signs of the seven drawn numbers, when each is a one-character text
// (as 验证 gives every number 01 .. 49).
bool one_character_signs(const Draw& draw, char16_t (&out)[7]) noexcept {
  for (int k = 0; k < 7; ++k) {
    const std::u16string_view s =
        (k < 6 ? draw.pp[static_cast<std::size_t>(k)] : draw.tt).string_view();
    if (s.size() != 1) return false;
    out[k] = s.front();
  }
  return true;
}

}  // namespace

Variant 平特几肖(const Draw& draw, const Variant& g, const Variant& 肖, const Variant& 收入,
                 const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf type(g);
  const TextOf backed(肖);
  if (!type || !backed) return bet::not_settled(draw, std::move(result));

  // 2. N from the first or, overriding it, the third character of the bet
  // type. A type of fewer than three characters has an empty third character,
  // which reads as 一: 二肖 and 三 alone need one sign.
  const Maybe<double> n = bet::type_count(*type, 1, 3);

  // 3 to 5. On the usual draw every sign is one character, compared as one.
  char16_t one[7];
  const int hits = one_character_signs(draw, one)
                       ? distinct_hits(one, *backed, occurs_in(*kRepeated, *backed))
                       : hits_among(draw, backed);

  assign(result, payout(收入, hits, n));  // 6
  bet::undrawn_draw(draw, result);        // 7
  return result;                          // 8
}

constexpr std::array kZodiacSignsParams{
    Param::value(u"g", "玩法，如 平特二肖", "bet type, such as 平特二肖"),
    Param::value(u"肖", "所买生肖，如 鼠牛虎", "the backed signs, such as 鼠牛虎"),
    Param::value(u"收入", "每组中奖金额", "amount paid per winning unit"),
    kTrigger,
};
constinit const FunctionRow<4> rows::zodiac_signs = worksheet_function<平特几肖>(
    kZodiacSignsParams,
    {.regime = Regime::SkipsErrors,
     .zh = "平特几肖：开奖生肖中所买生肖的个数",
     .en = "zodiac bet on the signs of the whole draw",
     .returns_zh = "收入 × 向下取整（中数 / N）",
     .returns_en = "收入 x floor(hits / N)",
     .example = {"平特二肖 牛马鼠蛇 100", "200"},
     .place = {.sheet = Sheet::Bets,
               .pays = true,
               .note = "平特二肖，买牛马鼠蛇：开奖生肖中了四个，两组各得 100"}});

}  // namespace korvane
