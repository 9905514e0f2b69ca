// 包家禽或野兽: domestic animals or wild beasts, by the special number's sign.
//
// Six signs are domestic animals (家禽): ox, horse, goat, rooster, dog and pig.
// Every other sign is a wild beast (野兽); there is no list of them. A bet text
// holding 家禽 backs the domestic class, any other text (野兽 included) the
// wild class. The bet pays the value of 收入 when the special number's sign is
// of the backed class, and 0 when it is not.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

constexpr std::u16string_view kDomestic = u"牛马羊鸡狗猪";

}  // namespace

Variant 包家禽或野兽(const Draw& draw, const Variant& 家禽野兽, const Variant& 收入,
                     const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf backed(家禽野兽);
  if (!backed) return bet::not_settled(draw, std::move(result));

  int bet_domestic = 0;  // 2: 野兽 itself is never looked for
  if (holds(occurs_in(std::u16string_view(u"家禽"), backed))) bet_domestic = 1;

  // 3. Before any draw tt is empty, which every text contains: the special
  // number then counts as domestic. The Integer 0 of a number outside 1..49
  // reads "0" and counts as wild.
  int special_domestic = 0;
  if (holds(occurs_in(TextOf(draw.tt), kDomestic))) special_domestic = 1;

  if (bet_domestic + special_domestic == 1) {  // 4
    result = bet::zero();
  } else {
    assign(result, number(收入));
  }
  bet::undrawn_draw(draw, result);  // 5
  return result;                    // 6
}

constexpr std::array kDomesticOrWildParams{
    Param::value(u"家禽野兽", "含“家禽”为买家禽，否则为野兽",
                 "containing 家禽 backs domestic animals, anything else wild"),
    Param::value(u"收入", "中奖金额", "amount paid on a win"),
    kTrigger,
};
constinit const FunctionRow<3> rows::domestic_or_wild = worksheet_function<包家禽或野兽>(
    kDomesticOrWildParams,
    {.regime = Regime::SkipsErrors,
     .zh = "包家禽或野兽：特码生肖的类别",
     .en = "domestic or wild class of the special number's sign",
     .returns_zh = "中奖时为数字形式的 收入，否则为 0",
     .returns_en = "收入 as a number on a win, else 0",
     .example = {"家禽 100", "100"},
     .place = {
         .sheet = Sheet::Bets, .pays = true, .note = "包家禽：特码生肖狗是家禽，中奖，得回金额"}});

}  // namespace korvane
