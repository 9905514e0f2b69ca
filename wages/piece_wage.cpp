// 工资1: the wage of one row of a piece-rate sheet.
//
// A row with a quantity is paid quantity x unit price. A row without one
// (zero or blank) is a flat-rate item: the unit price column then holds the
// amount itself, and that is what the row is paid. Negative quantities
// (returned pieces) are paid negatively.
#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {

Variant 工资1(const Variant& 数量, const Variant& 单价) {
  Variant result = Variant(need(number(单价)));
  if (need(number(数量)) != 0) {
    result = to_variant(need(multiply(need(numeric(数量)), need(numeric(单价)))));
  }
  return result;
}

constexpr std::array kPieceWageParams{
    Param::value(u"数量", "数量，为 0 或空时按单价计",
                 "the quantity; 0 or empty pays the unit price flat"),
    Param::range(u"单价", "单价", "the unit price")};
constinit const FunctionRow<2> rows::piece_wage = worksheet_function<工资1>(
    kPieceWageParams, {.regime = Regime::FailingCall,
                       .zh = "计件工资：数量 × 单价",
                       .en = "piece wage: quantity x unit price (the price alone for no quantity)",
                       .returns_zh = "数量 × 单价；数量 为 0 时为 单价",
                       .returns_en = "数量 x 单价, or 单价 when 数量 is 0",
                       .example = {"12 1.5", "18"},
                       .place = {.sheet = Sheet::Wages, .note = "数量 12 × 单价 1.5 得工资 18"}});

}  // namespace korvane
