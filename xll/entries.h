// Which export of korvane.xll each worksheet function is called through.
// Shared by the XLL and by the programs that load it (the call benchmark),
// so that both follow one rule. It reads the member list and nothing else.
#pragma once

#include <cstddef>
#include <string>

#include "core/custom_functions.h"
#include "korvane_xll_pool.h"  // kEntriesPerCount, written by xll/pool.cmake

namespace korvane::xll {

// The n-th worksheet function of the function list, or null past the last.
const Function* function_member(std::size_t n) noexcept;

// Excel calls each function through an export of its own that takes exactly
// the function's parameters (on 32-bit Windows the callee removes them from
// the stack). The XLL exports a fixed pool of entries for every parameter
// count, kv_<count>_<k>, and the k-th function of the list with that count
// is registered on kv_<count>_<k>: a new function needs no new export, and
// the order of the list decides which entry each function gets.

struct Entry {
  std::size_t count;  // parameters
  std::size_t k;      // kEntriesPerCount or more: the pool holds no entry for it
};
Entry entry_of(std::size_t n) noexcept;

// The name of the export a function is registered on: kv_<count>_<k>.
std::string procedure_name(const Entry& e);

}  // namespace korvane::xll
