// What korvane.xll tells Excel about its functions, and the add-in manager's
// entry points.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>

#include "core/custom_functions.h"
#include "xll/xlcall.h"

namespace korvane::xll {

// The n-th worksheet function of the member list (properties skipped), or
// null past the last.
const Member* function_member(std::size_t n) noexcept;

// Excel calls each function through an export of its own that takes exactly
// the function's parameters (on 32-bit Windows the callee removes them from
// the stack). The XLL exports a fixed pool of entries for every parameter
// count, kv_<count>_<k>, and the k-th function of the list with that count
// is registered on kv_<count>_<k>: a new function needs no new export, and
// the order of the list decides which entry each function gets.
inline constexpr std::size_t kEntriesPerCount = 16;  // the pool in korvane.def and addin.cpp

struct Entry {
  std::size_t count;  // parameters
  std::size_t k;      // kEntriesPerCount or more: the pool holds no entry for it
};
Entry entry_of(std::size_t n) noexcept;

// Calls the function registered on entry kv_<count>_<k> with Excel's
// arguments; the result stays valid until xlAutoFree12 or the thread's next
// call.
XLOPER12* call_entry(std::size_t count, std::size_t k,
                     std::initializer_list<XLOPER12*> args) noexcept;

// Releases the calling thread's result storage (the thread ends).
void thread_ends() noexcept;

// One function's registration, as xlfRegister receives it (all UTF-16).
struct Registration {
  std::u16string procedure;      // the export, kv_<count>_<k>
  std::u16string type_text;      // result and parameter types, then $ when thread-safe
  std::u16string function_text;  // the name in formulas and the wizard
  std::u16string argument_text;  // parameter names, joined by commas
  std::u16string category;
  std::u16string function_help;
  std::vector<std::u16string> argument_help;
};

// The registration of the n-th function; throws std::length_error when it
// would exceed what Excel accepts.
Registration registration_of(std::size_t n);

}  // namespace korvane::xll
