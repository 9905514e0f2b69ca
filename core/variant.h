// The automation variant as the worksheet functions see it.
//
// Excel hands every argument to an automation add-in as a VARIANT and takes one
// back. The core models the kinds that can occur in a worksheet: Empty (a blank
// cell), Integer (VT_I2), Long (VT_I4), Double (every number a cell holds),
// String (UTF-16, as BSTR), Boolean, one of Excel's seven error values, a Range
// (a cell reference, read lazily through its default value) and a 2-D array (the
// value of a range of several cells, or an array constant).
//
// A Variant is cheap to copy: numbers are inline, short texts fit the string's
// small buffer, ranges and arrays are shared, immutable handles.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace korvane {

// Excel's error values, in the order Excel numbers them (#NULL! is 2000).
enum class ExcelError : std::uint8_t { Null, Div0, Value, Ref, Name, Num, NA };

// Excel's own code for an error value (the low word of a VT_ERROR scode).
int excel_error_code(ExcelError e) noexcept;
// The error value for one of Excel's codes, if it is one.
bool excel_error_from_code(int code, ExcelError& out) noexcept;
// "#VALUE!", "#N/A", ... (ASCII).
std::string_view excel_error_name(ExcelError e) noexcept;
bool excel_error_from_name(std::string_view name, ExcelError& out) noexcept;

class Variant;

// A cell reference. Its value is read where a step reads it, never before: one
// cell gives that cell's value, several cells give a 2-D array. A front end
// implements this over whatever the host passes (an Excel Range through
// IDispatch, a JSON {"ref": ...}, a cell of a CSV book).
class Range {
 public:
  virtual ~Range() = default;
  // The default value: a scalar Variant for one cell, an Array for several.
  // Never itself a Range.
  virtual Variant value() const = 0;
};
using RangeRef = std::shared_ptr<const Range>;

// A 2-D array of values, row by row.
struct Array2D;
using ArrayRef = std::shared_ptr<const Array2D>;

struct Empty {
  friend bool operator==(Empty, Empty) = default;
};

class Variant {
 public:
  enum class Kind : std::uint8_t {
    Empty,
    Integer,
    Long,
    Double,
    String,
    Boolean,
    Error,
    Range,
    Array
  };

  Variant() = default;
  Variant(Empty) {}
  // Integer (VT_I2) and Long (VT_I4) are named, so that a plain literal such as
  // Variant(5) cannot silently become one: cells hold Doubles.
  static Variant integer(std::int16_t v) { return Variant(Tag{}, v); }
  static Variant long_integer(std::int32_t v) { return Variant(Tag{}, v); }
  Variant(double v) : v_(v) {}
  Variant(std::u16string s) : v_(std::move(s)) {}
  Variant(std::u16string_view s) : v_(std::u16string(s)) {}
  Variant(const char16_t* s) : v_(std::u16string(s)) {}
  Variant(bool b) : v_(b) {}
  Variant(ExcelError e) : v_(e) {}
  Variant(RangeRef r) : v_(std::move(r)) {}
  Variant(ArrayRef a) : v_(std::move(a)) {}
  // No implicit conversions from other arithmetic types: say which kind is meant.
  Variant(int) = delete;
  Variant(unsigned) = delete;
  Variant(long) = delete;
  Variant(long long) = delete;
  Variant(float) = delete;
  Variant(const char*) = delete;

  Kind kind() const noexcept { return static_cast<Kind>(v_.index()); }
  bool is_empty() const noexcept { return kind() == Kind::Empty; }
  bool is_string() const noexcept { return kind() == Kind::String; }
  bool is_range() const noexcept { return kind() == Kind::Range; }

  const std::int16_t* if_integer() const noexcept { return std::get_if<std::int16_t>(&v_); }
  const std::int32_t* if_long() const noexcept { return std::get_if<std::int32_t>(&v_); }
  const double* if_double() const noexcept { return std::get_if<double>(&v_); }
  const std::u16string* if_string() const noexcept { return std::get_if<std::u16string>(&v_); }
  std::u16string* if_string() noexcept { return std::get_if<std::u16string>(&v_); }
  const bool* if_boolean() const noexcept { return std::get_if<bool>(&v_); }
  const ExcelError* if_error() const noexcept { return std::get_if<ExcelError>(&v_); }
  const RangeRef* if_range() const noexcept { return std::get_if<RangeRef>(&v_); }
  const ArrayRef* if_array() const noexcept { return std::get_if<ArrayRef>(&v_); }

  // Structural equality: same kind and same contents (ranges and arrays by
  // identity of the handle for ranges, by contents for arrays). For tests and
  // the protocol; the worksheet functions compare values through the
  // conventions instead.
  friend bool operator==(const Variant& a, const Variant& b);

 private:
  struct Tag {};
  template <class T>
  Variant(Tag, T v) : v_(v) {}

  std::variant<Empty, std::int16_t, std::int32_t, double, std::u16string, bool, ExcelError,
               RangeRef, ArrayRef>
      v_;
};

struct Array2D {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<Variant> cells;  // rows * cols values, row by row

  const Variant& at(std::size_t r, std::size_t c) const { return cells[r * cols + c]; }
};

// A range whose cells are held in memory: what the command-line front ends and
// the tests pass where Excel would pass a Range object.
class HeldRange final : public Range {
 public:
  explicit HeldRange(Variant cell_or_array) : value_(std::move(cell_or_array)) {}
  Variant value() const override { return value_; }

 private:
  Variant value_;
};

// A one-cell reference holding v.
RangeRef make_cell(Variant v);
// A reference to several cells (rows x cols, row by row); its value is the array.
RangeRef make_block(std::size_t rows, std::size_t cols, std::vector<Variant> cells);
// A 2-D array value.
ArrayRef make_array(std::size_t rows, std::size_t cols, std::vector<Variant> cells);

// Runs f on the value v stands for: v itself, or the default value of the range
// v holds. The range is read once per call, where the caller's step reads it.
template <class F>
decltype(auto) with_value(const Variant& v, F&& f) {
  if (const RangeRef* r = v.if_range(); r && *r) {
    const Variant value = (*r)->value();
    return std::forward<F>(f)(value);
  }
  return std::forward<F>(f)(v);
}

// The value v stands for, copied (a range's default value, or v itself).
Variant value_of(const Variant& v);

}  // namespace korvane
