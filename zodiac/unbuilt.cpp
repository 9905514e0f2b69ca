// Placeholders for the conversions not yet written.
#include "addin/custom_functions.h"

namespace korvane {

Variant 自定义函数::肖转号码(const Variant&, const Variant&, const Variant&, const Variant&,
                             const Variant&, const Variant&, const Variant&, const Variant&,
                             const Variant&) {
  throw CallFailed{};
}
Variant 自定义函数::号码转肖(const Variant&, const Variant&, const Variant&) { throw CallFailed{}; }

}  // namespace korvane
