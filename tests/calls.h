// Calling worksheet functions through the member table, as every front end
// does, so that a failing call shows as the failure the cell would show.
#pragma once

#include <vector>

#include "tests/test_support.h"

namespace korvane {

// The answer of a call: its value, or nothing when the call fails (#VALUE!).
inline Maybe<Variant> call_named(Draw& obj, std::u16string_view name, std::vector<Variant> args) {
  const Function* m = find_function(name);
  if (m == nullptr || m->params.size() != args.size()) {
    ADD_FAILURE() << "no function " << to_utf8(name) << " of " << args.size() << " arguments";
    return std::nullopt;
  }
  CallResult r = call(obj, *m, args);
  if (r.failed) return std::nullopt;
  return std::move(r.value);
}

inline const Maybe<Variant> kFails = std::nullopt;

inline Variant L(std::int32_t x) { return Variant::long_integer(x); }

}  // namespace korvane
