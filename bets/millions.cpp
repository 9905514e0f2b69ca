// PAI and PAID: splitting an amount at the millions.
//
// Large settlements are paid out in whole millions and the rest separately:
// PAI gives how many whole millions an amount holds, PAID the amount cut down
// to them, so that the amount minus PAID is what remains below a million.
// Both round toward minus infinity, so a negative amount (money owed) of -1
// is -1 million plus 999999.
#include "core/custom_functions.h"

namespace korvane {
namespace {

constexpr double kMillion = 1000000;

double whole_millions(const Variant& cell) { return floor_(need(number(cell)) / kMillion); }

}  // namespace

Variant PAI(const Variant& w) { return Variant(whole_millions(w)); }

constexpr std::array kPaiParams{Param::range(u"w", "要拆分的金额", "the amount split")};
constinit const FunctionRow<1> rows::pai = worksheet_function<PAI>(
    kPaiParams, {.regime = Regime::FailingCall,
                 .zh = "整百万的个数",
                 .en = "number of whole millions",
                 .returns_zh = "向下取整（数值 / 1000000）",
                 .returns_en = "floor(value / 1000000)",
                 .example = {"12345678", "12"},
                 .place = {.sheet = Sheet::Bets, .note = "金额里有几个整百万"}});

Variant PAID(const Variant& q) { return Variant(need(checked(whole_millions(q) * kMillion))); }

constexpr std::array kPaidParams{Param::range(u"q", "要截断的金额", "the amount cut")};
constinit const FunctionRow<1> rows::paid = worksheet_function<PAID>(
    kPaidParams, {.regime = Regime::FailingCall,
                  .zh = "截到整百万的金额",
                  .en = "the value cut down to whole millions",
                  .returns_zh = "向下取整（数值 / 1000000）× 1000000",
                  .returns_en = "floor(value / 1000000) x 1000000",
                  .example = {"12345678", "1.2e+07"},
                  .place = {.sheet = Sheet::Bets, .note = "金额截到整百万"}});

}  // namespace korvane
