// 平特几尾: the tail bet on the whole draw.
//
// A number's tail is its last digit. The bet type names how many tails the bet
// needs (平特二尾: two), and the bettor lists the tail digits they back. The
// bet wins when at least that many distinct tails of the seven drawn numbers,
// the special number included, are among the backed digits; it then pays the
// value of 收入.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// A tail that already occurred earlier in the draw is replaced by this marker.
constexpr std::u16string_view kRepeated = u"X";

// The last character of a text (empty for the empty text).
std::u16string_view last_char(std::u16string_view s) noexcept {
  return s.empty() ? s : s.substr(s.size() - 1);
}

// Steps 3 to 5 on the texts of the drawn numbers, whatever they hold: how
// many of the draw's distinct tails are among the backed digits.
int count_among(const Draw& draw, std::u16string_view backed) {
  // 3. The tails of p1 ... p6 and of the special number, in one step: a drawn
  // value without a text form leaves every tail empty.
  const TextOf drawn[7]{TextOf(draw.p[0]), TextOf(draw.p[1]), TextOf(draw.p[2]), TextOf(draw.p[3]),
                        TextOf(draw.p[4]), TextOf(draw.p[5]), TextOf(draw.t)};
  std::u16string_view e[7];
  bool readable = true;
  for (const TextOf& x : drawn) readable = readable && static_cast<bool>(x);
  if (readable) {
    for (int k = 0; k < 7; ++k) e[k] = last_char(*drawn[k]);
  }

  // 4. Each tail counts once, at its first number; an empty tail is always
  // "seen" already and becomes the marker too.
  JoinedText seen(e[0]);
  for (int k = 1; k < 7; ++k) {
    if (occurs_in(e[k], seen.view())) {
      e[k] = kRepeated;
    } else {
      seen.append(e[k]);
    }
  }

  int count = 0;  // 5
  for (const std::u16string_view entry : e) {
    if (occurs_in(entry, backed)) ++count;
  }
  return count;
}

// The tails of the seven drawn numbers, when each is a text of at least one
// character (as 验证 cuts every regular number, and a typed special number).
bool last_characters(const Draw& draw, char16_t (&out)[7]) noexcept {
  for (int k = 0; k < 7; ++k) {
    const std::u16string_view s =
        (k < 6 ? draw.p[static_cast<std::size_t>(k)] : draw.t).string_view();
    if (s.empty()) return false;
    out[k] = s.back();
  }
  return true;
}

}  // namespace

Variant 平特几尾(const Draw& draw, const Variant& y, const Variant& 几尾, const Variant& 收入,
                 const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf type(y);
  const TextOf backed(几尾);
  if (!type || !backed) return bet::not_settled(draw, std::move(result));

  // 2. N from the third character, then from the first, which overrides it.
  // A type of three or more characters with a numeral in neither place leaves
  // N unset, and an unset N lets every bet through at step 6.
  const Maybe<double> n = bet::type_count(*type, 3, 1);

  // 3 to 5. On the usual draw every number is a text, its tail one
  // character, compared as one.
  char16_t tails[7];
  const int count = last_characters(draw, tails)
                        ? distinct_hits(tails, *backed, occurs_in(kRepeated, *backed))
                        : count_among(draw, *backed);

  // 6. An unset N counts as 0: the bound is -1 and every count passes.
  if (count > n.value_or(0) - 1) assign(result, number(收入));
  bet::undrawn_draw(draw, result);  // 7
  return result;                    // 8
}

constexpr std::array kTailsParams{
    Param::value(u"y", "玩法，如 平特二尾", "bet type, such as 平特二尾"),
    Param::value(u"几尾", "所买尾数，如 3 9 0", "the backed tail digits, such as 3 9 0"),
    Param::value(u"收入", "中奖金额", "amount paid on a win"),
    kTrigger,
};
constinit const FunctionRow<4> rows::tails = worksheet_function<平特几尾>(
    kTailsParams,
    {.regime = Regime::SkipsErrors,
     .zh = "平特几尾：开奖号码尾数",
     .en = "tail-digit bet on the whole draw",
     .returns_zh = "中奖时为数字形式的 收入，否则为 0 或空",
     .returns_en = "收入 as a number on a win, else 0 or empty",
     .example = {R"(平特二尾 "3 9 0" 100)", "100"},
     .place = {.sheet = Sheet::Bets,
               .pays = true,
               .note = "平特二尾，买 3 9 0 尾：开奖号码有 9 尾和 0 尾，中奖，得回金额"}});

}  // namespace korvane
