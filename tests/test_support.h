// Shorthands for writing worksheet values in tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <ostream>
#include <string>

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

// GoogleTest prints a Variant as the eval protocol writes one, so that a
// failed case reads like a transcript: null, 2.5, "05", true, {"int": 5},
// {"long": 5}, {"error": "#N/A"}, {"ref": ...}, {"array": [[...]]}. A test's
// own printer, not the protocol's: the core's tests stand without the tool.
void PrintTo(const Variant& v, std::ostream* os);

inline void print_rows(const Array2D& a, std::ostream* os) {
  *os << '[';
  for (std::size_t r = 0; r < a.rows; ++r) {
    *os << (r ? ",[" : "[");
    for (std::size_t c = 0; c < a.cols; ++c) {
      if (c) *os << ',';
      PrintTo(a.at(r, c), os);
    }
    *os << ']';
  }
  *os << ']';
}

inline void PrintTo(const Variant& v, std::ostream* os) {
  switch (v.kind()) {
    case Variant::Kind::Empty:
      *os << "null";
      return;
    case Variant::Kind::Integer:
      *os << R"({"int":)" << *v.if_integer() << '}';
      return;
    case Variant::Kind::Long:
      *os << R"({"long":)" << *v.if_long() << '}';
      return;
    case Variant::Kind::Double: {
      char buf[32];  // the shortest text that reads back as the same double
      *os << std::string_view(buf, std::to_chars(buf, buf + sizeof buf, *v.if_double()).ptr);
      return;
    }
    case Variant::Kind::String:
      *os << '"' << to_utf8(v.string_view()) << '"';
      return;
    case Variant::Kind::Boolean:
      *os << (*v.if_boolean() ? "true" : "false");
      return;
    case Variant::Kind::Error:
      *os << R"({"error":")" << excel_error_name(*v.if_error()) << "\"}";
      return;
    case Variant::Kind::Range: {
      const RangeRef& r = *v.if_range();
      const Variant value = r ? r->value() : Variant();
      *os << R"({"ref":)";
      if (const ArrayRef* a = value.if_array(); a && *a) {
        print_rows(**a, os);
      } else {
        PrintTo(value, os);
      }
      *os << '}';
      return;
    }
    case Variant::Kind::Array: {
      const ArrayRef& a = *v.if_array();
      *os << R"({"array":)";
      if (a) {
        print_rows(*a, os);
      } else {
        *os << "[]";
      }
      *os << '}';
      return;
    }
  }
}

// A value as PrintTo shows it, for a case's message.
inline std::string shown_value(const Variant& v) { return testing::PrintToString(v); }

// Loads a draw with 验证, through its row as a front end calls it, and gives
// 验证's answer.
inline Variant load_draw(Draw& d, const Variant& year, const Variant& numbers,
                         const Variant& special) {
  return call(d, *find_function(u"验证"), std::array{year, numbers, special, kEmpty}).value;
}

}  // namespace korvane
