#include "xll/entries.h"

namespace korvane::xll {
namespace {

// The pool holds an entry for every function: a parameter count with more
// functions than entries fails here, when the XLL is built, rather than
// when Excel loads it.
constexpr std::size_t most_functions_of_one_count() {
  std::size_t most = 0;
  for (const std::size_t n : kFunctionsByCount) most = n > most ? n : most;
  return most;
}
static_assert(most_functions_of_one_count() <= kEntriesPerCount,
              "the XLL's pool has no entry left for a function of this parameter count: raise "
              "KORVANE_XLL_ENTRIES_PER_COUNT in xll/pool.cmake");
static_assert(kPoolMaxParams == kMaxParams,
              "the XLL's pool covers 0 to kMaxParams parameters: set KORVANE_XLL_MAX_PARAMS in "
              "xll/pool.cmake to kMaxParams");

}  // namespace

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
