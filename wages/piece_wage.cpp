// 工资1: the wage of one row of a piece-rate sheet.
//
// A row with a quantity is paid quantity x unit price. A row without one
// (zero or blank) is a flat-rate item: the unit price column then holds the
// amount itself, and that is what the row is paid. Negative quantities
// (returned pieces) are paid negatively.
#include "core/arithmetic.h"
#include "core/custom_functions.h"

namespace korvane {

Variant 自定义函数::工资1(const Variant& 数量, const Variant& 单价) {
  Variant result = Variant(need(number(单价)));
  if (need(number(数量)) != 0) {
    result = to_variant(need(multiply(need(numeric(数量)), need(numeric(单价)))));
  }
  return result;
}

}  // namespace korvane
