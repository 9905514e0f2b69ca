#include "xll/entries.h"

namespace korvane::xll {
namespace {

// The place of the first worksheet function in the member list: the draw's
// properties come first.
std::size_t first_function() noexcept {
  static const std::size_t first = [] {
    std::size_t i = 0;
    while (i < members().size() && members()[i].is_property) ++i;
    return i;
  }();
  return first;
}

}  // namespace

const Member* function_member(std::size_t n) noexcept {
  const std::size_t i = first_function() + n;
  return i < members().size() ? &members()[i] : nullptr;
}

Entry entry_of(std::size_t n) noexcept {
  const Member* m = function_member(n);
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
