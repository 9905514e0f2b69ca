// The arguments of one call of a worksheet function, made in place on the
// caller's stack. A front end makes a call per formula cell, so this is the
// hot path: only as many Variants as the function has parameters are made,
// and nothing goes to the heap.
#pragma once

#include <cstddef>
#include <new>
#include <span>

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

  // The next argument, made empty.
  Variant& add() {
    Variant* v = new (room()) Variant();
    ++n_;
    return *v;
  }
  // Where the next argument is to be made by a front end's conversion, which
  // makes a Variant there (or throws, and then none is made); made() counts it.
  void* room() { return buf_ + n_ * sizeof(Variant); }
  void made() { ++n_; }

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
