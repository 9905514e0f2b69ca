// Placeholders for the settlement functions not yet written: each answers as a
// call that could not be settled.
#include "addin/custom_functions.h"

namespace korvane {

Variant 自定义函数::TEMA(const Variant&, const Variant&, const Variant&, const Variant&) {
  throw CallFailed{};
}
Variant 自定义函数::TEMAL(const Variant&) { throw CallFailed{}; }
Variant 自定义函数::求和1(const Variant&, const Variant&, const Variant&, const Variant&,
                          const Variant&) {
  throw CallFailed{};
}
Variant 自定义函数::PAI(const Variant&) { throw CallFailed{}; }
Variant 自定义函数::PAID(const Variant&) { throw CallFailed{}; }

}  // namespace korvane
