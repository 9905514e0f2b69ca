// What korvane.xll tells Excel about its functions, and the add-in manager's
// entry points.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>

#include "core/custom_functions.h"
#include "xll/entries.h"
#include "xll/xlcall.h"

namespace korvane::xll {

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
