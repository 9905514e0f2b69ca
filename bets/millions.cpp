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

Variant 自定义函数::PAI(const Variant& w) { return Variant(whole_millions(w)); }

Variant 自定义函数::PAID(const Variant& q) {
  return Variant(need(checked(whole_millions(q) * kMillion)));
}

}  // namespace korvane
