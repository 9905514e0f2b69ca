// The arguments of one call of a worksheet function, made in place on the
// caller's stack. A front end makes a call per formula cell, so this is the
// hot path: only as many Variants as the function has parameters are made,
// and nothing goes to the heap. An argument is made by emplace, which checks
// that there is room for it (no worksheet function takes more than
// kMaxParams) and counts it only once it is made.
#pragma once

#include <cstddef>
#include <new>
#include <span>
#include <stdexcept>
#include <utility>

#include "core/custom_functions.h"
#include "core/variant.h"

namespace korvane {

class CallArguments {
 public:
  CallArguments() = default;
  ~CallArguments() {
    for (std::size_t i = n_; i > 0; --i) data()[i - 1].~Variant();
  }
  CallArguments(const CallArguments&) = delete;
  CallArguments& operator=(const CallArguments&) = delete;

  // Makes the next argument from a Variant's constructor arguments (none: an
  // empty one). Throws std::length_error when kMaxParams are made already,
  // and what making the Variant throws; either way no argument is added.
  template <class... A>
  Variant& emplace(A&&... a) {
    if (n_ == kMaxParams) throw std::length_error("more arguments than a worksheet function takes");
    Variant* v = new (buf_ + n_ * sizeof(Variant)) Variant(std::forward<A>(a)...);
    ++n_;
    return *v;
  }

  std::span<const Variant> view() { return {data(), n_}; }
  // The arguments once the call is over, for a front end to take back what
  // it lent them.
  std::span<Variant> items() { return {data(), n_}; }

 private:
  Variant* data() { return std::launder(reinterpret_cast<Variant*>(buf_)); }
  alignas(Variant) unsigned char buf_[sizeof(Variant) * kMaxParams];
  std::size_t n_ = 0;
};

}  // namespace korvane
