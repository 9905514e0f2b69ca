// Placeholders for the wage functions not yet written.
#include "addin/custom_functions.h"

namespace korvane {

Variant 自定义函数::SL1(const Variant&) { throw CallFailed{}; }
Variant 自定义函数::SL2(const Variant&) { throw CallFailed{}; }
Variant 自定义函数::SL3(const Variant&) { throw CallFailed{}; }
Variant 自定义函数::SL4(const Variant&, const Variant&) { throw CallFailed{}; }
Variant 自定义函数::工资1(const Variant&, const Variant&) { throw CallFailed{}; }

}  // namespace korvane
