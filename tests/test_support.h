// Shorthands for writing worksheet values in tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "cli/protocol.h"
#include "core/custom_functions.h"
#include "core/text.h"

namespace korvane {

inline Variant S(std::u16string_view s) { return Variant(s); }
inline Variant N(double x) { return Variant(x); }
inline Variant I(std::int16_t x) { return Variant::integer(x); }
inline Variant E(ExcelError e) { return Variant(e); }
inline Variant Ref(Variant v) { return Variant(make_cell(std::move(v))); }
// A reference to two cells side by side: its value is an array.
inline Variant Block(Variant a, Variant b) {
  return Variant(make_block(1, 2, {std::move(a), std::move(b)}));
}
inline const Variant kEmpty{};

// GoogleTest prints a Variant in the protocol's encoding.
inline void PrintTo(const Variant& v, std::ostream* os) { *os << protocol::encode(v); }

// Loads a draw with 验证, through its row as a front end calls it, and gives
// 验证's answer.
inline Variant load_draw(Draw& d, const Variant& year, const Variant& numbers,
                         const Variant& special) {
  return call(d, *find_function(u"验证"), std::array{year, numbers, special, kEmpty}).value;
}

}  // namespace korvane
