#include "xll/entries.h"

namespace korvane::xll {
const Function* function_member(std::size_t n) noexcept {
  const auto list = functions();
  return n < list.size() ? &list[n] : nullptr;
}

Entry entry_of(std::size_t n) noexcept {
  const Function* m = function_member(n);
  Entry e{m ? m->params.size() : 0, 0};
  for (std::size_t i = 0; i < n; ++i) {
    if (function_member(i)->params.size() == e.count) ++e.k;
  }
  return e;
}

std::string procedure_name(const Entry& e) {
  return "kv_" + std::to_string(e.count) + "_" + std::to_string(e.k);
}

}  // namespace korvane::xll
