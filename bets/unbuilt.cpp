// Placeholders for the settlement functions not yet written: each answers as a
// call that could not be settled.
#include "addin/custom_functions.h"

namespace korvane {

Variant 自定义函数::平特几不中(const Variant&, const Variant&, const Variant&) { return {}; }
Variant 自定义函数::平特单双大小(const Variant&, const Variant&, const Variant&) { return {}; }
Variant 自定义函数::平特几肖(const Variant&, const Variant&, const Variant&, const Variant&) {
  return {};
}
Variant 自定义函数::包几肖(const Variant&, const Variant&, const Variant&) { return {}; }
Variant 自定义函数::平码几中几(const Variant&, const Variant&, const Variant&, const Variant&) {
  return {};
}
Variant 自定义函数::包家禽或野兽(const Variant&, const Variant&, const Variant&) { return {}; }
Variant 自定义函数::平特几尾(const Variant&, const Variant&, const Variant&, const Variant&) {
  return {};
}
Variant 自定义函数::特串软串(const Variant&, const Variant&, const Variant&, const Variant&) {
  return {};
}

}  // namespace korvane
