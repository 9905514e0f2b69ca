// TEMA, TEMAL and 求和1: counting a code in a bet text.
//
// A bet text lists the numbers a customer backed, such as "07 15 07 33"; a
// number backed twice is written twice. The sheets count a code the way
// their formulas always did: the length of the text minus its length with
// every occurrence of the code replaced by one character. For a two-digit
// number that is the number of times it was backed.
//
// These functions fail the whole call on the first step that cannot be
// carried out; the cell then shows #VALUE!.
#include <cstdint>
#include <limits>

#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {
namespace {

// A length difference is a Long in the sheets' arithmetic.
Maybe<Numeric> count_as_long(std::size_t n) noexcept {
  if (n > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return std::nullopt;
  return Numeric{static_cast<double>(n), Numeric::Width::Long};
}

}  // namespace

Variant TEMA(const Variant& a, const Variant& b, const Variant& m, const Variant& /*易失*/) {
  Variant result;  // stays empty unless m > 0; the cell shows 0
  if (need(greater_than(m, 0))) {
    const Text bets = need(text(a));
    const Text code = need(text(b));
    result = to_variant(need(count_as_long(count_code(bets, code))));
  }
  return result;
}

constexpr std::array kTemaParams{
    Param::value(u"a", "下注文本", "the bet text"),
    Param::value(u"b", "要数的号码，通常为特码", "the code counted, normally the special number"),
    Param::value(u"m", "大于 0 时才计数", "the count is made only when this is above 0"),
    kTrigger,
};
constinit const FunctionRow<4> rows::tema = worksheet_function<TEMA>(
    kTemaParams,
    {.regime = Regime::FailingCall,
     .zh = "数下注文本中某号码出现的次数",
     .en = "count a code, normally the special number, in a bet text",
     .returns_zh = "出现次数（长整数），m 不大于 0 时为空",
     .returns_en = "the count (a Long), or empty when m is not above 0",
     .example = {R"("07 15 07 33" "'07" 10)", R"({"long":2})"},
     .place = {.sheet = Sheet::Bets, .note = "数下注文本里 07 出现几次（m 大于 0 才数）：两次"}});

// A list of k two-digit numbers with single spaces between them is 3k - 1
// characters long; any other length gives a fraction, which tells the
// bookkeeper the list is malformed.
Variant TEMAL(const Variant& y) {
  const Text list = need(text(y));
  return Variant(static_cast<double>(trim_spaces(list).size() + 1) / 3);
}

constexpr std::array kTemalParams{Param::range(u"y", "以空格分隔的两位号码列表",
                                               "a list of two-digit numbers separated by spaces")};
constinit const FunctionRow<1> rows::temal = worksheet_function<TEMAL>(
    kTemalParams, {.regime = Regime::FailingCall,
                   .zh = "号码列表中的号码个数",
                   .en = "how many two-digit numbers a space-separated list holds",
                   .returns_zh = "（长度 + 1）/ 3，双精度数",
                   .returns_en = "(length + 1) / 3 as a Double",
                   .example = {R"("05 12 33")", "3"},
                   .place = {.sheet = Sheet::Bets,
                             .note = "数号码列表里有几个号码：三个（不是整数说明列表写错了）"}});

Variant 求和1(const Draw& draw, const Variant& r, const Variant& 条件, const Variant& 收入,
              const Variant& 赔率, const Variant& /*易失*/) {
  const Text bets = need(text(r));
  const Text code = need(text(条件));
  const Numeric hits = need(count_as_long(count_code(trim_spaces(bets), code)));
  const Numeric stake_times_odds = need(multiply(need(numeric(收入)), need(numeric(赔率))));
  const Numeric amount = need(multiply(stake_times_odds, hits));
  // Both tests are made, as the sheets made them: an error value in either
  // fails the call even when the other says the draw is undrawn.
  const bool special_undrawn = need(equals_text(draw.t, u"00"));
  const bool first_undrawn = need(equals_text(draw.p[0], u"00"));
  if (special_undrawn || first_undrawn) return Variant::integer(0);
  return to_variant(amount);
}

constexpr std::array kSumCountParams{
    Param::value(u"r", "下注文本", "the bet text"),
    Param::value(u"条件", "要数的号码", "the code counted"),
    Param::value(u"收入", "每注金额", "the stake"),
    Param::value(u"赔率", "赔率", "the odds"),
    kTrigger,
};
constinit const FunctionRow<5> rows::sum_count = worksheet_function<求和1>(
    kSumCountParams, {.regime = Regime::FailingCall,
                      .zh = "数号码出现次数并乘以金额与赔率",
                      .en = "count a code in a bet text times stake times odds",
                      .returns_zh = "金额 × 赔率 × 次数；未开奖时为 0",
                      .returns_en = "stake x odds x count; 0 while the draw is undrawn",
                      .example = {R"("07 15 07 33" "'07" 100 40)", "8000"},
                      .place = {.sheet = Sheet::Bets,
                                .pays = true,
                                .note = "07 出现两次，每次按金额 × 赔率计：100 × 40 × 2"}});

}  // namespace korvane
