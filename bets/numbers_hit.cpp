// 平码几中几: pair and triple combination bets on the regular numbers.
//
// The bettor lists n numbers ("05-12-23-34-45"); the bet type says whether
// they are played in pairs (二中二) or triples (三中三). The list stands for
// all C(n, k) combinations of k of its numbers and 收入 is shared evenly over
// them: the bet pays the part of 收入 that falls on the combinations whose
// numbers were all drawn as regular numbers. The special number does not count.
#include "bets/bet_frame.h"
#include "bets/text_matching.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// The sheets search a window of 29 characters, ten two-digit numbers with
// their separators, padded with "-50" joined on eight times. 50 is no lottery
// number and the filler holds no other pair of digits, so a short list gains
// no match from it; a list of more than ten numbers loses its tail.
constexpr std::size_t kWindow = 29;
constexpr std::u16string_view kFiller = u"-50";
constexpr std::size_t kFillerJoins = 8;

class PaddedList {
 public:
  explicit PaddedList(std::u16string_view list) {
    const std::size_t whole = list.size() + kFillerJoins * kFiller.size();
    size_ = whole < kWindow ? whole : kWindow;
    const std::size_t own = list.size() < size_ ? list.size() : size_;
    list.copy(chars_, own);
    for (std::size_t i = own, f = 0; i < size_; ++i, f = f + 1 < kFiller.size() ? f + 1 : 0) {
      chars_[i] = kFiller[f];
    }
  }
  std::u16string_view view() const noexcept { return {chars_, size_}; }

 private:
  char16_t chars_[kWindow];
  std::size_t size_;
};

// C(x, 2) and C(x, 3): on the bet size in floating point (it need not be
// whole), on the hit count in whole numbers, then divided.
double pairs(double x) noexcept { return x * (x - 1) / 2; }
double triples(double x) noexcept { return x * (x - 1) * (x - 2) / 6; }
double pairs(int x) noexcept { return static_cast<double>(x * (x - 1)) / 2; }
double triples(int x) noexcept { return static_cast<double>(x * (x - 1) * (x - 2)) / 6; }

// The share of 收入 on the winning combinations; fails without a bet type
// (D unset), with no combination at all (D = 0) and when 收入 is no number.
Maybe<double> payout(Maybe<double> won, Maybe<double> combinations, const Variant& 收入) {
  if (!won || !combinations || *combinations == 0) return std::nullopt;
  const Maybe<double> amount = number(收入);
  if (!amount) return std::nullopt;
  return checked(*won * *amount / *combinations);
}

}  // namespace

Variant 平码几中几(const Draw& draw, const Variant& g, const Variant& 号码, const Variant& 收入,
                   const Variant& 易失) {
  Variant result = bet::preset(易失);  // 1

  const TextOf type(g);
  const TextOf list(号码);
  if (!type || !list) return bet::not_settled(draw, std::move(result));

  // 2. Only the last two characters of the bet type matter.
  const std::u16string_view tail = (*type).substr((*type).size() < 2 ? 0 : (*type).size() - 2);
  const std::u16string_view c1 = tail.substr(tail.size() < 1 ? 0 : tail.size() - 1);
  const std::u16string_view c2 = tail.substr(0, 1);

  const PaddedList padded(*list);  // 3

  int hits = 0;  // 4
  const IndexedText searched(padded.view());
  for (const Variant& x : draw.p) {
    if (holds(occurs_in(TextOf(x), searched))) ++hits;
  }

  // The bet size counts two-digit numbers with one separator between them.
  const double n = (static_cast<double>((*list).size()) + 1) / 3;

  Maybe<double> combinations;        // D
  Maybe<double> won;                 // W
  if (c1 == u"二" || c2 == u"二") {  // 5
    combinations = pairs(n);
    won = pairs(hits);
  }
  if (c1 == u"三" || c2 == u"三") {  // 6: a triple overrides a pair
    combinations = triples(n);
    won = triples(hits);
  }

  assign(result, payout(won, combinations, 收入));  // 7
  bet::undrawn_draw(draw, result);                  // 8
  return result;                                    // 9
}

constexpr std::array kNumbersHitParams{
    Param::value(u"g", "玩法，如 三中三、二中二", "bet type, such as 三中三 or 二中二"),
    Param::value(u"号码", "所买号码，如 05-12-23-34-45",
                 "the backed numbers, such as 05-12-23-34-45"),
    Param::value(u"收入", "分摊到全部组合的金额", "amount shared over all combinations"),
    kTrigger,
};
constinit const FunctionRow<4> rows::numbers_hit = worksheet_function<平码几中几>(
    kNumbersHitParams,
    {.regime = Regime::SkipsErrors,
     .zh = "平码几中几：二中二、三中三组合",
     .en = "pair or triple combinations on the regular numbers",
     .returns_zh = "中奖组合所占的 收入 份额",
     .returns_en = "the share of 收入 on the winning combinations",
     .example = {R"(三中三 "05-12-18-08-45" 600)", "60"},
     .place = {.sheet = Sheet::Bets,
               .pays = true,
               .note = "三中三，买五码：其中 05 12 18 三码开出，中一组，得其份额"}});

}  // namespace korvane
