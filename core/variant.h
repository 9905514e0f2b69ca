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
//
// A front end may pass a text argument without copying it: a borrowed text
// refers to characters the caller owns (a BSTR, an XLOPER12 string) for the
// length of one call. It is the String kind in every respect; only its
// storage differs. Copying a Variant always makes an owned copy of a borrowed
// text, so a value that outlives the call (a draw property, a result) never
// refers to the caller's characters. A move keeps the text borrowed: it is the
// same argument in another place, and the arguments a front end hands over
// are const, so nothing moves them out of the call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
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
  // A text referring to s, which must outlive this Variant and every move of
  // it (copies own their text).
  static Variant borrowed(std::u16string_view s) noexcept {
    Variant v;
    v.v_.emplace<Borrowed>(Borrowed{s.data(), s.size()});
    return v;
  }
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

  Variant(const Variant& o) : v_(o.v_) { own(); }
  Variant(Variant&&) noexcept = default;
  Variant& operator=(const Variant& o) {
    if (const Borrowed* b = std::get_if<Borrowed>(&o.v_)) {
      v_ = owned_copy(*b);  // made first: a failing copy leaves this as it was
    } else {
      v_ = o.v_;
    }
    return *this;
  }
  Variant& operator=(Variant&&) noexcept = default;
  ~Variant() = default;

  Kind kind() const noexcept {
    const std::size_t i = v_.index();
    return i == kBorrowedIndex ? Kind::String : static_cast<Kind>(i);
  }
  bool is_empty() const noexcept { return kind() == Kind::Empty; }
  bool is_string() const noexcept { return kind() == Kind::String; }
  bool is_range() const noexcept { return kind() == Kind::Range; }

  const std::int16_t* if_integer() const noexcept { return std::get_if<std::int16_t>(&v_); }
  const std::int32_t* if_long() const noexcept { return std::get_if<std::int32_t>(&v_); }
  const double* if_double() const noexcept { return std::get_if<double>(&v_); }
  // The characters of a String, owned or borrowed; the empty view for any
  // other kind (ask is_string() first). A plain view, not an optional: it is
  // read on every step, and passes as cheaply as the characters themselves.
  std::u16string_view string_view() const noexcept {
    if (const auto* s = std::get_if<std::u16string>(&v_)) return *s;
    if (const Borrowed* b = std::get_if<Borrowed>(&v_)) return {b->data, b->size};
    return {};
  }
  // An owned text, to move from; null for other kinds and for a borrowed text.
  std::u16string* owned_string() noexcept { return std::get_if<std::u16string>(&v_); }
  bool is_borrowed() const noexcept { return v_.index() == kBorrowedIndex; }
  const bool* if_boolean() const noexcept { return std::get_if<bool>(&v_); }
  const ExcelError* if_error() const noexcept { return std::get_if<ExcelError>(&v_); }
  const RangeRef* if_range() const noexcept { return std::get_if<RangeRef>(&v_); }
  // The reference itself, for a front end that takes back what it lent.
  RangeRef* if_range() noexcept { return std::get_if<RangeRef>(&v_); }
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

  // A text the caller owns. Last, so that the other alternatives' indices are
  // the kinds'.
  struct Borrowed {
    const char16_t* data;
    std::size_t size;
    friend bool operator==(const Borrowed&, const Borrowed&) = default;  // never used
  };
  static constexpr std::size_t kBorrowedIndex = 9;

  static std::u16string owned_copy(Borrowed b) { return std::u16string(b.data, b.size); }
  void own() {
    if (const Borrowed* b = std::get_if<Borrowed>(&v_)) v_ = owned_copy(*b);
  }

  using Storage = std::variant<Empty, std::int16_t, std::int32_t, double, std::u16string, bool,
                               ExcelError, RangeRef, ArrayRef, Borrowed>;
  static_assert(std::is_same_v<std::variant_alternative_t<kBorrowedIndex, Storage>, Borrowed>);
  static_assert(static_cast<std::size_t>(Kind::Array) + 1 == kBorrowedIndex);
  Storage v_;
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
